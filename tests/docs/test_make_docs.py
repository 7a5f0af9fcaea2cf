"""The picture maker's own logic: scene variants, node lookup and histograms."""

import importlib.machinery
import importlib.util
import pathlib
import unittest

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "make-docs"
loader = importlib.machinery.SourceFileLoader("make_docs", str(SCRIPT))
description = importlib.util.spec_from_loader("make_docs", loader)
make_docs = importlib.util.module_from_spec(description)
loader.exec_module(make_docs)

TEMPLATE = {
    "images": ["env/card.png"],
    "backdrop": {"type": "image", "image": "env/sky.exr"},
    "objects": [{"name": "Ball", "mesh": {"type": "obj", "file": "ball.obj"}}],
    "surfaces": {
        "Floor": {"nodes": [{"name": "AO", "server": "Ambient Occlusion"}], "connections": []},
        "Ball": {"nodes": [{"name": "AO", "server": "Ambient Occlusion", "settings": {"Samples": 8}},
                           {"name": "Group", "server": "Group Node",
                            "graph": {"nodes": [{"name": "Tint", "native": "Color Math"}]}}]},
    },
}


class VariantTest(unittest.TestCase):
    def test_settings_reach_the_named_node_only_and_leave_the_template_alone(self):
        tile = {"label": "x", "set": {"Ball/AO": {"Cone Angle": 30}, "Ball/Group/Tint": {"op": "add"}}}
        scene = make_docs.variant(TEMPLATE, pathlib.Path("/scenes"), tile, "fig")
        ball = scene["surfaces"]["Ball"]["nodes"]
        self.assertEqual(ball[0]["settings"], {"Samples": 8, "Cone Angle": 30})
        self.assertEqual(ball[1]["graph"]["nodes"][0]["settings"], {"op": "add"})
        self.assertNotIn("settings", scene["surfaces"]["Floor"]["nodes"][0])
        self.assertEqual(TEMPLATE["surfaces"]["Ball"]["nodes"][0]["settings"], {"Samples": 8})

    def test_files_stay_found_when_the_variant_is_written_elsewhere(self):
        scene = make_docs.variant(TEMPLATE, pathlib.Path("/scenes"), {"label": "x"}, "fig")
        self.assertEqual(scene["images"], ["/scenes/env/card.png"])
        self.assertEqual(scene["backdrop"]["image"], "/scenes/env/sky.exr")
        self.assertEqual(scene["objects"][0]["mesh"]["file"], "/scenes/ball.obj")

    def test_an_ambiguous_or_unknown_node_or_graph_names_the_figure(self):
        for tile, words in (({"label": "x", "set": {"AO": {}}}, "2 nodes match \"AO\""),
                            ({"label": "x", "set": {"Floor/Nothing": {}}}, "0 nodes match"),
                            ({"label": "x", "connections": {"Roof": []}}, "no graph \"Roof\"")):
            with self.assertRaisesRegex(make_docs.DocsError, f"figure ao_cone: .*{words}"):
                make_docs.variant(TEMPLATE, pathlib.Path("/scenes"), tile, "ao_cone")


class ValidateTest(unittest.TestCase):
    def test_a_bad_figure_is_named_with_its_key_before_any_work(self):
        page = {"x.md": "Sqrt"}
        for figures, words in (({"a": {"type": "pie"}}, r"figures.a.type: \"pie\""),
                               ({"a": {"type": "plot", "page": "x.md"}}, r"figures.a: no \"size\""),
                               ({"a": {"type": "sheet", "page": "y.md", "scene": "s", "size": [1, 1], "tiles": []}},
                                r"figures.a.page: \"y.md\" is not one of the pages")):
            with self.assertRaisesRegex(make_docs.DocsError, f"^figures.json: {words}"):
                make_docs.validate({"pages": page, "figures": figures}, pathlib.Path("figures.json"))


class HistogramTest(unittest.TestCase):
    def test_draws_fill_their_bins_as_a_density_and_the_ends_land_inside(self):
        real = make_docs.eval_values
        make_docs.eval_values = lambda orvhost, arguments, column: [0.0, 0.1, 0.6, 1.0]
        try:
            points = make_docs.series_data(None, {"eval": [], "histogram": [0, 1, 2]})
        finally:
            make_docs.eval_values = real
        self.assertEqual(points, [(0.25, 1.0), (0.75, 1.0)])


class ReadJsonTest(unittest.TestCase):
    def test_comment_lines_are_skipped_and_errors_name_the_line(self):
        path = pathlib.Path(self.id() + ".json")
        try:
            path.write_text('// a comment\n{"a": 1,\n "b": }\n')
            with self.assertRaisesRegex(make_docs.DocsError, rf"{path}:3:7: Expecting value"):
                make_docs.read_json(path)
            path.write_text('// a comment\n{"a": 1}\n')
            self.assertEqual(make_docs.read_json(path), {"a": 1})
        finally:
            path.unlink(missing_ok=True)


if __name__ == "__main__":
    unittest.main()
