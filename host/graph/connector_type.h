// Connector types by the names users see: "Color", "Scalar"...
#pragma once

namespace host {

const char *typeName(int type);

}  // namespace host
