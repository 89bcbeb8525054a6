"""Tests of the Python binding of the component."""

import locale
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "component", "python"))

import dvobj  # noqa: E402


def definition(source, target):
    return ("<tarnwrightdatavane><version>2.6</version><sourcefilename>%s</sourcefilename>"
            "<targetfilename>%s</targetfilename><delimiter>,</delimiter>"
            "<encoding>utf-8</encoding><xmlroot/></tarnwrightdatavane>" % (source, target))


class DatavaneTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = lambda name: os.path.join(self.dir.name, name)
        with open(self.path("in.csv"), "w", encoding="utf-8") as f:
            f.write("Name,City\nAnn,K\u00f6ln\n")
        with open(self.path("t.dv"), "w", encoding="utf-8") as f:
            f.write(definition(self.path("in.csv"), self.path("out.xml")))

    def tearDown(self):
        self.dir.cleanup()

    def test_transform_and_properties(self):
        with dvobj.Datavane() as dv:
            self.assertEqual(dv.error_code, 0)
            self.assertEqual(dv.error_message, "")
            self.assertTrue(dv.transform(self.path("t.dv")))
            self.assertEqual(dv.error_message, "Success")
            with open(self.path("out.xml"), encoding="utf-8") as f:
                self.assertIn("<City>K\u00f6ln</City>", f.read())
            self.assertTrue(dv.transform(self.path("t.dv"), None, self.path("o2.xml")))
            self.assertTrue(os.path.exists(self.path("o2.xml")))

    def test_failures(self):
        dv = dvobj.Datavane("Dvobj.Datavane.1")
        self.assertFalse(dv.transform(self.path("missing.dv")))
        self.assertEqual(dv.error_code, 101)
        self.assertEqual(dv.error_message, "The DV File is invalid: " + self.path("missing.dv"))
        self.assertFalse(dv.transform(self.path("t.dv"), self.path("gone.csv")))
        self.assertEqual(dv.error_code, 103)
        dv.close()
        dv.close()

    def test_validation(self):
        with open(self.path("rows.xsd"), "w", encoding="utf-8") as f:
            f.write('<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">'
                    '<xs:element name="document"><xs:complexType><xs:sequence>'
                    '<xs:element name="row"><xs:complexType><xs:sequence>'
                    '<xs:element name="Name" type="xs:string"/>'
                    '<xs:element name="Town" type="xs:string"/>'
                    '</xs:sequence></xs:complexType></xs:element>'
                    '</xs:sequence></xs:complexType></xs:element></xs:schema>')
        with dvobj.Datavane() as dv:
            self.assertFalse(dv.transform(self.path("t.dv"), validate_schema=self.path("rows.xsd")))
            self.assertEqual(dv.error_code, 120)
            self.assertIn("Element 'City'", dv.error_message)
            self.assertIn("(source row 1)", dv.error_message)
            self.assertFalse(os.path.exists(self.path("out.xml")))
            self.assertTrue(dv.transform(self.path("t.dv"), validate_schema=""))

    def test_regional_settings(self):
        # A number column with thousands, two decimals.
        with open(self.path("in.csv"), "w", encoding="utf-8") as f:
            f.write("Amount\n1234.5\n")
        with open(self.path("n.dv"), "w", encoding="utf-8") as f:
            f.write("<tarnwrightdatavane><version>2.6</version><sourcefilename>%s</sourcefilename>"
                    "<targetfilename>%s</targetfilename><delimiter>,</delimiter>"
                    "<encoding>utf-8</encoding><columns><column name=\"Amount\" id=\"1\" "
                    "datatype=\"1\" precision=\"2\" thousands=\"-1\" currency=\"0\"/>"
                    "</columns><xmlroot name=\"document\"><xmlnode name=\"row\" nodetype=\"0\">"
                    "<xmlnode name=\"Amount\" nodetype=\"0\" source=\"1\"/></xmlnode></xmlroot>"
                    "</tarnwrightdatavane>"
                    % (self.path("in.csv"), self.path("n.xml")))

        def amount(**options):
            with dvobj.Datavane() as dv:
                self.assertTrue(dv.transform(self.path("n.dv"), **options), dv.error_message)
            with open(self.path("n.xml"), encoding="utf-8") as f:
                text = f.read()
            return text[text.index("<Amount>") + 8:text.index("</Amount>")]

        self.assertEqual(amount(locale="C"), "1,234.50")
        # German reads '.' as its thousands separator: the source's 1234.5 is 12345.
        self.assertEqual(amount(locale="de_DE.UTF-8"), "12.345,00")
        # A locale the host sets for its process changes nothing.
        before = amount()
        saved = locale.setlocale(locale.LC_ALL)
        try:
            locale.setlocale(locale.LC_ALL, "de_DE.UTF-8")
            self.assertEqual(amount(), before)
        finally:
            locale.setlocale(locale.LC_ALL, saved)
        with dvobj.Datavane() as dv:
            self.assertFalse(dv.transform(self.path("n.dv"), locale="xx_YY.UTF-8"))
            self.assertEqual(dv.error_code, 123)
            self.assertEqual(dv.error_message,
                             "The regional setting is not installed on this machine: xx_YY.UTF-8")

    def test_write_schema(self):
        with dvobj.Datavane() as dv:
            self.assertTrue(dv.write_schema(self.path("t.dv"), self.path("t.xsd"), True),
                            dv.error_message)
            with open(self.path("t.xsd"), encoding="utf-8") as f:
                self.assertIn('<xs:element name="City"', f.read())
            self.assertTrue(dv.transform(self.path("t.dv")), dv.error_message)
            self.assertFalse(dv.write_schema(self.path("t.dv"), self.path("no/t.xsd")))
            self.assertEqual(dv.error_code, 104)

    def test_threads(self):
        with open(self.path("in.csv"), "w", encoding="utf-8") as f:
            f.write("Amount\n" + "".join("%d.5\n" % i for i in range(5000)))
        with open(self.path("n.dv"), "w", encoding="utf-8") as f:
            f.write("<tarnwrightdatavane><version>2.6</version><sourcefilename>%s</sourcefilename>"
                    "<targetfilename>%s</targetfilename><delimiter>,</delimiter>"
                    "<encoding>utf-8</encoding><columns><column name=\"Amount\" id=\"1\" "
                    "datatype=\"1\" precision=\"2\" thousands=\"-1\" currency=\"0\"/>"
                    "</columns><xmlroot name=\"document\"><xmlnode name=\"row\" nodetype=\"0\">"
                    "<xmlnode name=\"Amount\" nodetype=\"0\" source=\"1\"/></xmlnode></xmlroot>"
                    "</tarnwrightdatavane>"
                    % (self.path("in.csv"), self.path("n.xml")))
        outputs = []
        for threads in (1, 2, 5):
            with dvobj.Datavane() as dv:
                self.assertTrue(dv.transform(self.path("n.dv"), threads=threads), dv.error_message)
            with open(self.path("n.xml"), "rb") as f:
                outputs.append(f.read())
        self.assertIn(b"<Amount>4,999.50</Amount>", outputs[0])
        self.assertEqual(outputs[1], outputs[0])
        self.assertEqual(outputs[2], outputs[0])
        with dvobj.Datavane() as dv:
            for bad in (0, -2, 1.5):
                with self.assertRaises(ValueError):
                    dv.transform(self.path("n.dv"), threads=bad)

    def test_parts(self):
        with open(self.path("in.csv"), "w", encoding="utf-8") as f:
            f.write("Name,City\n" + "".join('n%d,"K\u00f6ln\n%d"\n' % (i, i) for i in range(300)))
        with open(self.path("t.dv"), "w", encoding="utf-8") as f:
            f.write(definition(self.path("in.csv"), self.path("out.xml")).replace(
                "<xmlroot/>", "<quotedlinebreaks>-1</quotedlinebreaks><xmlroot/>"))
        with dvobj.Datavane() as dv:
            self.assertTrue(dv.transform(self.path("t.dv")), dv.error_message)
            with open(self.path("out.xml"), "rb") as f:
                single = f.read()
            self.assertTrue(dv.plan(self.path("t.dv"), self.path("run.plan"), 3), dv.error_message)
            parts = [self.path("p%d.part" % k) for k in range(3)]
            for k, part in enumerate(parts):
                self.assertTrue(dv.part(self.path("t.dv"), part, k, 3,
                                        plan_file=self.path("run.plan")), dv.error_message)
            self.assertTrue(dv.merge(self.path("t.dv"), parts, self.path("merged.xml")),
                            dv.error_message)
            with open(self.path("merged.xml"), "rb") as f:
                self.assertEqual(f.read(), single)
            # A part missing: nothing is written.
            self.assertFalse(dv.merge(self.path("t.dv"), parts[:2], self.path("m2.xml")))
            self.assertEqual(dv.error_code, 126)
            self.assertIn("part 2 of 3 is missing", dv.error_message)
            self.assertFalse(os.path.exists(self.path("m2.xml")))

    def test_unknown_class(self):
        with self.assertRaises(OSError):
            dvobj.Datavane("Nothing.Here")


if __name__ == "__main__":
    unittest.main()
