#!/usr/bin/env python3
"""The fault generator of scripts/mutants.py on small pieces of C++: what
each rule rewrites, what it leaves alone, and that ids and samples hold."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutants  # noqa: E402

DECLARATIONS = "void put(int channel, int event);\nint pick(int a);\n"


def rewrites(body, op=None, before=DECLARATIONS, returns="void"):
    """The new lines the rules make of a function body (one statement a line)."""
    text = before + returns + " f(int a, int b) {\n" + body + "\n}\n"
    calls = mutants.same_type_functions([mutants.clean_text(text)])
    made = mutants.file_mutants("editor", "editor/x.cpp", text, calls)
    return [m.after.strip() for m in made if op is None or m.op == op]


class Rules(unittest.TestCase):
    def test_each_rule_rewrites_as_named(self):
        rows = [
            ("less becomes less or equal", "if (a < b) go();", "rel", "if (a <= b) go();"),
            ("less or equal becomes less", "if (a <= b) go();", "rel", "if (a < b) go();"),
            ("greater becomes greater or equal", "if (a > b) go();", "rel", "if (a >= b) go();"),
            ("greater or equal becomes greater", "if (a >= b) go();", "rel", "if (a > b) go();"),
            ("equal becomes unequal", "if (a == b) go();", "rel", "if (a != b) go();"),
            ("unequal becomes equal", "if (a != b) go();", "rel", "if (a == b) go();"),
            ("and becomes or", "if (a && b) go();", "logic", "if (a || b) go();"),
            ("or becomes and", "if (a || b) go();", "logic", "if (a && b) go();"),
            ("a decimal constant one more", "a = 33;", "const", "a = 34;"),
            ("a decimal constant one less", "a = 33;", "const", "a = 32;"),
            ("a hexadecimal constant keeps its spelling", "a = 0x0F;", "const", "a = 0x10;"),
            ("a suffix stays", "a = 7u;", "const", "a = 6u;"),
            ("a condition negated", "if (ready(a)) go();", "negate", "if (!(ready(a))) go();"),
            ("a call removed", "go(a);", "delete", ""),
            ("an assignment removed", "a = pick(b);", "delete", ""),
            ("a member call removed", "port_.write(frame[a]);", "delete", ""),
            ("an early return in a void function", "go(a);", "return", "return; go(a);"),
            ("arguments of one declared type swapped", "put(a, b);", "swap", "put(b, a);"),
            ("two literal arguments swapped", "go(1, 2);", "swap", "go(2, 1);"),
            ("two string arguments swapped", 'show("x", "y");', "swap", 'show("y", "x");'),
        ]
        for name, body, op, expected in rows:
            with self.subTest(name):
                self.assertIn(expected, rewrites(body, op))

    def test_no_early_return_inside_a_lambda(self):
        self.assertEqual(rewrites("auto g = [&](int x) {\n    go(x);\n};", "return"), ["return; auto g = [&](int x) {"])
        self.assertIn("return; go(a);", rewrites("if (a[0] > 1) {\n    go(a);\n}", "return"))

    def test_a_bool_function_returns_false_early(self):
        self.assertEqual(rewrites("go(a);", "return", returns="bool"), ["return false; go(a);"])
        self.assertEqual(rewrites("go(a);", "return", returns="int"), [])

    def test_what_no_rule_touches(self):
        rows = [
            ("a comment", "go(); // a < b && c == 1"),
            ("a block comment", "go(); /* if (a < b) return 3; */"),
            ("a string", 'show("a < b == c && 1");'),
            ("a raw string", 'show(R"(a < b == 1)");'),
            ("a character", "show('1');"),
            ("template brackets", "std::vector<int> v;"),
            ("a shift", "go(a << b, a >> b);"),
            ("an rvalue reference", "auto&& r = take();"),
            ("a floating constant", "scale(1.5);"),
            ("digits in a name", "uint8_t x2;"),
            ("a static assertion", "static_assert(sizeof(int) == 4);"),
        ]
        for name, body in rows:
            with self.subTest(name):
                for op in ("rel", "logic", "const", "negate", "swap"):
                    self.assertEqual(rewrites(body, op), [], op)

    def test_literals_and_comments_stay_as_they_were(self):
        for new in rewrites('if (a < b) show("a < b"); // b < a'):
            self.assertIn('show("a < b"); // b < a', new)

    def test_preprocessor_lines_are_left_alone(self):
        text = '#include <vector>\n#define LIMIT 5\n#if LIMIT > 4\nint x = 1;\n#endif\n'
        made = mutants.file_mutants("editor", "editor/x.h", text, {})
        self.assertEqual(sorted(m.line for m in made), [4, 4])

    def test_code_built_for_windows_alone_is_left_alone(self):
        text = "#ifdef _WIN32\nint x = 1;\n#else\nint y = 1;\n#endif\n#ifndef _WIN32\nint z = 1;\n#endif\n"
        made = mutants.file_mutants("editor", "editor/x.cpp", text, {})
        self.assertEqual(sorted({m.line for m in made}), [4, 7])

    def test_declarations_are_not_removed_nor_swapped(self):
        self.assertEqual(rewrites("int c = pick(a);", "delete"), [])
        self.assertEqual(rewrites("", "swap"), [])  # put's declaration itself
        self.assertEqual(rewrites("std::string s(a, b);", "swap"), [])

    def test_a_statement_is_removed_only_where_it_starts_a_line(self):
        self.assertEqual(rewrites("if (a)\n    go(a);", "delete"), [])
        self.assertEqual(rewrites("go(a,\n   b);", "delete"), [])

    def test_class_members_are_not_statements(self):
        text = "class C {\npublic:\n    C();\n    void go();\n    int x = 1;\n};\n"
        made = mutants.file_mutants("editor", "editor/x.h", text, {})
        self.assertEqual([m.op for m in made], ["const", "const"])


class Ids(unittest.TestCase):
    def test_an_id_survives_edits_elsewhere_in_the_file(self):
        text = "void f(int a) {\n    if (a < 3) go(a);\n    go(a);\n}\n"
        moved = "// a new comment\nint unrelated = 4;\n" + text.replace("    go(a);\n}", "    go(a);\n    go(2);\n}")
        ids = {m.id for m in mutants.file_mutants("editor", "editor/x.cpp", text, {})}
        after = {m.id for m in mutants.file_mutants("editor", "editor/x.cpp", moved, {})}
        self.assertTrue(ids)
        self.assertTrue(ids <= after)

    def test_ids_are_unique_and_differ_for_twin_lines(self):
        text = "void f(int a) {\n    go(a);\n    go(a);\n}\n"
        made = [m for m in mutants.file_mutants("editor", "editor/x.cpp", text, {}) if m.op == "delete"]
        self.assertEqual(len(made), 2)
        self.assertNotEqual(made[0].id, made[1].id)

    def test_an_id_names_the_file_and_the_rule(self):
        made = mutants.file_mutants("editor", "editor/x.cpp", "int x = 4;\n", {})
        self.assertTrue(all(m.id.startswith("editor/x.cpp:const:") for m in made))


class Samples(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        for layer in ("history", "gui"):
            os.makedirs(os.path.join(self.root, layer))
            with open(os.path.join(self.root, layer, "a.cpp"), "w") as f:
                f.write("void f(int a, int b) {\n" + "".join(
                    f"    if (a < {k} && b == {k}) go(a);\n    put(a, {k});\n" for k in range(40)) + "}\n")
        self.by_layer = mutants.all_mutants(self.root, ["history", "gui"])

    def test_one_seed_draws_one_sample(self):
        first = [m.id for m in mutants.sample(self.by_layer, 5, "7")]
        self.assertEqual(first, [m.id for m in mutants.sample(self.by_layer, 5, "7")])
        self.assertNotEqual(first, [m.id for m in mutants.sample(self.by_layer, 5, "8")])

    def test_the_first_layers_get_twice_the_sample_and_come_first(self):
        chosen = mutants.sample(self.by_layer, 5, "7")
        self.assertEqual([m.layer for m in chosen], ["history"] * 10 + ["gui"] * 5)

    def test_a_smaller_sample_is_the_start_of_a_larger(self):
        small = [m.id for m in mutants.sample(self.by_layer, 3, "7") if m.layer == "gui"]
        large = [m.id for m in mutants.sample(self.by_layer, 6, "7") if m.layer == "gui"]
        self.assertEqual(small, large[:3])

    def test_every_rule_present_is_drawn(self):
        ops = {m.op for m in mutants.sample(self.by_layer, 7, "7") if m.layer == "gui"}
        self.assertEqual(ops, {m.op for m in self.by_layer["gui"]})

    def test_the_reviewed_list_is_read_with_its_reasons(self):
        path = os.path.join(self.root, "equivalent.txt")
        with open(path, "w") as f:
            f.write("# reviewed\n\nhistory/a.cpp:rel:0123abcd  the loop ends at the same element either way\n")
        self.assertEqual(mutants.read_equivalent(path),
                         {"history/a.cpp:rel:0123abcd": "the loop ends at the same element either way"})


class Scores(unittest.TestCase):
    def test_a_score_counts_killed_over_viable_less_equivalent_and_needing_a_device(self):
        m = [mutants.Mutant(f"history/a.cpp:rel:{k}", "history", "history/a.cpp", k, "rel", "", "") for k in range(7)]
        results = [(m[0], "killed", ""), (m[1], "killed", ""), (m[2], "killed", ""), (m[3], "survived", ""),
                   (m[4], "survived", ""), (m[5], "not-viable", ""), (m[6], "survived", "")]
        rows = mutants.tally(results, {m[4].id: "same either way"}, {m[6].id: "only an adapter tells it"})
        self.assertEqual(rows, [("history", 7, 1, 3, 1, 1, 1, "75.0 %")])


class HandWrittenFaults(unittest.TestCase):
    """The faults of tests/mutants/ stay regression rows only while each
    still applies to the code it was written against."""

    def test_each_patch_applies_to_the_tree(self):
        root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        if not shutil.which("git") or not os.path.exists(os.path.join(root, ".git")):
            self.skipTest("not a git checkout")
        patches = sorted(glob.glob(os.path.join(root, "tests", "mutants", "*.patch")))
        self.assertGreater(len(patches), 0)
        for patch in patches:
            checked = subprocess.run(["git", "apply", "--check", patch], cwd=root, capture_output=True, text=True)
            self.assertEqual(checked.returncode, 0, os.path.basename(patch) + ": " + checked.stderr)


if __name__ == "__main__":
    unittest.main()
