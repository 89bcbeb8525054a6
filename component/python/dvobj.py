"""Run Datavane transformation definitions from Python.

    from dvobj import Datavane
    dv = Datavane()
    if not dv.transform("orders.dv", target_file="out.xml"):
        print(dv.error_code, dv.error_message)

The component library is found through $DVOBJ_LIBRARY, then the user's and
the system's registration files, then the build and install folders next to
this module, then the system's library path.
Only the standard library (ctypes) is used.
"""

import ctypes
import os

PROGID = "Dvobj.Datavane"
_CLSID = "{6F1C2E3A-4B5D-4E8F-9A7B-3C2D1E0F5A69}"


def _registration_files():
    """The user's registration file, then the system's."""
    config = os.environ.get("XDG_CONFIG_HOME") or os.path.join(
        os.path.expanduser("~"), ".config")
    yield os.path.join(config, "datavane", "dvobj.registration")
    for folder in (os.environ.get("XDG_CONFIG_DIRS") or "/etc/xdg").split(":"):
        if folder.startswith("/"):
            yield os.path.join(folder, "datavane", "dvobj.registration")


def _registered_library(path):
    section = "[CLSID\\" + _CLSID + "]"
    try:
        with open(path, encoding="utf-8") as registration:
            inside = False
            for line in registration:
                line = line.rstrip("\n")
                if line.startswith("["):
                    inside = line == section
                elif inside and line.startswith("InprocServer32="):
                    return line[len("InprocServer32="):]
    except OSError:
        pass
    return None


def _candidates():
    explicit = os.environ.get("DVOBJ_LIBRARY")
    if explicit:
        yield explicit
    for path in _registration_files():
        registered = _registered_library(path)
        if registered:
            yield registered
    here = os.path.dirname(os.path.abspath(__file__))
    yield os.path.join(here, "..", "..", "build", "lib", "libdvobj.so")
    yield os.path.join(here, "..", "lib", "libdvobj.so")
    # Installed under PREFIX/lib/python3/dist-packages beside PREFIX/lib.
    yield os.path.join(here, "..", "..", "libdvobj.so.2")
    yield "libdvobj.so.2"
    yield "libdvobj.so"


def load_library():
    """The component library, loaded once."""
    errors = []
    for path in _candidates():
        try:
            library = ctypes.CDLL(path)
        except OSError as error:
            errors.append(str(error))
            continue
        library.Dvobj_CreateInstance.argtypes = [
            ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p)]
        library.Dvobj_CreateInstance.restype = ctypes.c_int32
        library.Datavane_Release.argtypes = [ctypes.c_void_p]
        library.Datavane_Release.restype = ctypes.c_uint32
        library.Datavane_Transform.argtypes = [
            ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p]
        library.Datavane_Transform.restype = ctypes.c_int
        if hasattr(library, "Datavane_TransformWithOptions"):
            library.Datavane_TransformWithOptions.argtypes = [
                ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p,
                ctypes.POINTER(_Options), ctypes.c_void_p, ctypes.c_void_p]
            library.Datavane_TransformWithOptions.restype = ctypes.c_int
        if hasattr(library, "Datavane_WriteSchema"):
            library.Datavane_WriteSchema.argtypes = [
                ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int]
            library.Datavane_WriteSchema.restype = ctypes.c_int
        if hasattr(library, "Datavane_Plan"):
            library.Datavane_Plan.argtypes = [
                ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p,
                ctypes.c_int32, ctypes.POINTER(_Options)]
            library.Datavane_Plan.restype = ctypes.c_int
            library.Datavane_RunPart.argtypes = [
                ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p,
                ctypes.c_int32, ctypes.c_int32, ctypes.c_char_p, ctypes.POINTER(_Options),
                ctypes.c_void_p, ctypes.c_void_p]
            library.Datavane_RunPart.restype = ctypes.c_int
            library.Datavane_Merge.argtypes = [
                ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p,
                ctypes.POINTER(ctypes.c_char_p), ctypes.c_int32, ctypes.POINTER(_Options),
                ctypes.c_void_p, ctypes.c_void_p]
            library.Datavane_Merge.restype = ctypes.c_int
        library.Datavane_ErrorCode.argtypes = [ctypes.c_void_p]
        library.Datavane_ErrorCode.restype = ctypes.c_int32
        # A char* the caller frees: keep it as a raw pointer.
        library.Datavane_ErrorMessage.argtypes = [ctypes.c_void_p]
        library.Datavane_ErrorMessage.restype = ctypes.c_void_p
        library.Dvobj_FreeString.argtypes = [ctypes.c_void_p]
        library.Dvobj_FreeString.restype = None
        return library
    raise OSError("libdvobj.so not found: " + "; ".join(errors))


class _Options(ctypes.Structure):
    """DvobjOptions of dvobj.h."""
    _fields_ = [("size", ctypes.c_uint32),
                ("validate_schema", ctypes.c_char_p),
                ("gzip_standard_output", ctypes.c_int),
                ("locale", ctypes.c_char_p),
                ("threads", ctypes.c_int)]


def _text(value):
    if value is None:
        return None
    return os.fsencode(value) if not isinstance(value, bytes) else value


class Datavane:
    """One Datavane object: runs definitions, keeps the last outcome."""

    def __init__(self, class_id=PROGID, library=None):
        self._library = library or load_library()
        handle = ctypes.c_void_p()
        status = self._library.Dvobj_CreateInstance(
            class_id.encode("utf-8"), ctypes.byref(handle))
        if status != 0:
            raise OSError("cannot create %s: 0x%08X" % (class_id, status & 0xFFFFFFFF))
        self._handle = handle

    def transform(self, dv_file, source_file=None, target_file=None,
                  validate_schema=None, locale=None, threads=None):
        """Run dv_file; None or "" keeps the definition's own source/target.

        validate_schema names an XML Schema (path or URL) every output
        document is validated against (None: the definition's own, "": none);
        an invalid document fails the run with error code 120.

        locale names the regional settings numbers and dates follow (None:
        the definition's own, "": the user's from the environment, "C": the
        invariant ones, else an installed locale such as "de_DE.UTF-8"). A
        locale the process set with locale.setlocale never counts.

        threads is how many threads write rows (None: DATAVANE_THREADS, or
        else the cores the process may use; 1: rows one by one). The output
        is the same bytes whatever the count."""
        if threads is not None and (not isinstance(threads, int) or threads < 1):
            raise ValueError("threads must be a whole number of at least 1")
        if validate_schema is None and locale is None and threads is None:
            return bool(self._library.Datavane_Transform(
                self._handle, _text(dv_file), _text(source_file), _text(target_file)))
        options = _Options(ctypes.sizeof(_Options), _text(validate_schema), 0, _text(locale),
                           threads or 0)
        return bool(self._library.Datavane_TransformWithOptions(
            self._handle, _text(dv_file), _text(source_file), _text(target_file),
            ctypes.byref(options), None, None))

    def write_schema(self, dv_file, schema_file, set_validation=False):
        """Write the XML Schema of every document dv_file can write to
        schema_file (plus one file beside it per further namespace) and run
        nothing. With set_validation the definition is saved validating its
        output against schema_file. Error code 125 when no schema can
        describe the output."""
        if not hasattr(self._library, "Datavane_WriteSchema"):
            raise OSError("the component is too old to write schemas")
        return bool(self._library.Datavane_WriteSchema(
            self._handle, _text(dv_file), _text(schema_file), 1 if set_validation else 0))
    # Runs in parts, by separate processes or machines, joined into the
    # bytes transform writes (a document per row or value: the parts write
    # the documents and the merge checks them). Definitions whose rows depend
    # on what the writer remembers of the rows before them ({ID}, nodes that
    # skip duplicates, groups of an unsorted source) are refused with error
    # code 126; so is a merge of missing, damaged, doubled, misplaced or
    # mismatched parts (nothing is written).

    def plan(self, dv_file, plan_file, parts, source_file=None, locale=None):
        """Cut the source into parts shares (byte ranges of a text file,
        ranges of the first sort key of a sorted one, windows of a query's
        rows) and write the cut to plan_file."""
        self._need_parts()
        options = self._options(None, locale)
        return bool(self._library.Datavane_Plan(
            self._handle, _text(dv_file), _text(source_file), _text(plan_file), int(parts),
            ctypes.byref(options)))

    def part(self, dv_file, part_file, part, parts, plan_file=None, source_file=None,
             locale=None):
        """Convert part (0 <= part < parts) into part_file, cut as plan_file
        says (None: by the same scan, made here)."""
        self._need_parts()
        options = self._options(None, locale)
        return bool(self._library.Datavane_RunPart(
            self._handle, _text(dv_file), _text(source_file), _text(part_file), int(part),
            int(parts), _text(plan_file), ctypes.byref(options), None, None))

    def merge(self, dv_file, part_files, target_file=None, source_file=None,
              validate_schema=None, locale=None):
        """Join the part files, in order, into target_file (None: the
        definition's), validated, transformed and compressed as transform
        would."""
        self._need_parts()
        names = [_text(name) for name in part_files]
        array = (ctypes.c_char_p * max(len(names), 1))(*names)
        options = self._options(validate_schema, locale)
        return bool(self._library.Datavane_Merge(
            self._handle, _text(dv_file), _text(source_file), _text(target_file), array,
            len(names), ctypes.byref(options), None, None))

    def _need_parts(self):
        if not hasattr(self._library, "Datavane_Plan"):
            raise OSError("the component is too old to run in parts")

    @staticmethod
    def _options(validate_schema, locale):
        return _Options(ctypes.sizeof(_Options), _text(validate_schema), 0, _text(locale), 0)

    @property
    def error_code(self):
        return self._library.Datavane_ErrorCode(self._handle)

    @property
    def error_message(self):
        pointer = self._library.Datavane_ErrorMessage(self._handle)
        if not pointer:
            return ""
        try:
            return ctypes.string_at(pointer).decode("utf-8", errors="replace")
        finally:
            self._library.Dvobj_FreeString(pointer)

    def close(self):
        if self._handle:
            self._library.Datavane_Release(self._handle)
            self._handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:  # interpreter shutdown
            pass
