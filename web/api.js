// Requests to orvhost serve. The token travels in a cookie the first load
// set; every answer that is not 2xx carries {"error": text}.

export async function post(route, body = {}) {
  const response = await fetch(route, {
    method: 'POST',
    headers: {'Content-Type': 'application/json'},
    body: JSON.stringify(body),
  });
  return answer(response);
}

export async function get(route) {
  return answer(await fetch(route));
}

async function answer(response) {
  if (response.ok) {
    const type = response.headers.get('Content-Type') || '';
    return type.startsWith('application/json') ? response.json() : response;
  }
  let text = `${response.status} ${response.statusText}`;
  try {
    text = (await response.json()).error || text;
  } catch (ignored) {
    // not JSON: the status says enough
  }
  throw new Error(text);
}

// The next picture after the one numbered `after`: {info, beauty, aov}, or
// null when none came in time.
export async function nextFrame(after) {
  const response = await fetch(`/api/frame?after=${after}`);
  if (response.status === 204) return null;
  if (!response.ok) throw new Error(`frame: ${response.status}`);
  const bytes = await response.arrayBuffer();
  const length = new DataView(bytes).getUint32(0, true);
  const info = JSON.parse(new TextDecoder().decode(new Uint8Array(bytes, 4, length)));
  const start = Math.ceil((4 + length) / 4) * 4;
  const pixels = info.width * info.height * 3;
  const beauty = new Float32Array(bytes, start, pixels);
  const aov = new Float32Array(bytes, start + pixels * 4, info.aovValues);
  return {info, beauty, aov};
}
