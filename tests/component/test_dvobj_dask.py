"""Runs in parts on a local Dask cluster: the single run's bytes."""

import os
import sys
import tempfile
import unittest

PYTHON_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "component",
                          "python")
sys.path.insert(0, PYTHON_DIR)

import dvobj  # noqa: E402

try:
    from distributed import Client, LocalCluster
except ImportError:  # pragma: no cover - depends on the machine
    Client = LocalCluster = None

import dvobj_dask  # noqa: E402


def definition(source, target, root):
    return ("<tarnwrightdatavane><version>2.6</version><sourcefilename>%s</sourcefilename>"
            "<targetfilename>%s</targetfilename><delimiter>,</delimiter>"
            "<quotedlinebreaks>-1</quotedlinebreaks>"
            "<encoding>utf-8</encoding>%s</tarnwrightdatavane>" % (source, target, root))


@unittest.skipIf(LocalCluster is None, "distributed cannot be imported (python3-distributed)")
class DaskRunTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Worker processes import the module that holds the tasks.
        os.environ["PYTHONPATH"] = os.pathsep.join(
            [PYTHON_DIR] + [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p])
        cls.cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                   dashboard_address=None)
        cls.client = Client(cls.cluster)

    @classmethod
    def tearDownClass(cls):
        cls.client.close()
        cls.cluster.close()

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = lambda name: os.path.join(self.dir.name, name)
        with open(self.path("in.csv"), "w", encoding="utf-8") as f:
            f.write("Name,City\n" + "".join('n%d,"K\u00f6ln & <%d>\n"\n' % (i, i)
                                            for i in range(2000)))

    def tearDown(self):
        self.dir.cleanup()

    def write_definition(self, root="<xmlroot/>"):
        with open(self.path("t.dv"), "w", encoding="utf-8") as f:
            f.write(definition(self.path("in.csv"), self.path("single.xml"), root))
        return self.path("t.dv")

    def test_parts_on_the_cluster_give_the_single_run(self):
        project = self.write_definition()
        with dvobj.Datavane() as dv:
            self.assertTrue(dv.transform(project), dv.error_message)
        with open(self.path("single.xml"), "rb") as f:
            single = f.read()
        for parts in (1, 2, 5):
            target = self.path("cluster%d.xml" % parts)
            self.assertEqual(dvobj_dask.run(self.client, project, target, parts=parts,
                                            workdir=self.dir.name), target)
            with open(target, "rb") as f:
                self.assertEqual(f.read(), single, "%d parts" % parts)
        # The plan and the parts are gone.
        self.assertEqual([n for n in os.listdir(self.dir.name) if n.startswith(".dvparts")], [])

    def test_a_refused_definition_reports_the_components_text(self):
        project = self.write_definition(
            '<xmlroot name="document"><xmlnode name="n" nodetype="0" value="{ID}"/></xmlroot>')
        with self.assertRaises(dvobj_dask.PartError) as caught:
            dvobj_dask.run(self.client, project, self.path("x.xml"), parts=2, retries=1)
        self.assertEqual(caught.exception.code, 126)
        self.assertIn("{ID}", str(caught.exception))
        self.assertFalse(os.path.exists(self.path("x.xml")))


if __name__ == "__main__":
    unittest.main()
