/*
 * dvobj: runs a saved Datavane transformation definition (.dv) from any
 * program or script. Plain C; strings are UTF-8; nothing here throws.
 *
 *   DvobjDatavane* dv = NULL;
 *   if (Dvobj_CreateInstance("Dvobj.Datavane", &dv) == DVOBJ_S_OK) {
 *       if (!Datavane_Transform(dv, "orders.dv", NULL, NULL)) {
 *           char* message = Datavane_ErrorMessage(dv);
 *           fprintf(stderr, "%d: %s\n", Datavane_ErrorCode(dv), message);
 *           Dvobj_FreeString(message);
 *       }
 *       Datavane_Release(dv);
 *   }
 */
#ifndef DVOBJ_H
#define DVOBJ_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DVOBJ_API __attribute__((visibility("default")))

/* Identifiers of the one creatable class. */
#define DVOBJ_CLSID_DATAVANE "{6F1C2E3A-4B5D-4E8F-9A7B-3C2D1E0F5A69}"
#define DVOBJ_LIBID "{0B8E4D7C-2A61-4F3E-8D5B-9E7A1C3F2B40}"
#define DVOBJ_PROGID "Dvobj.Datavane.1"
#define DVOBJ_VERSION_INDEPENDENT_PROGID "Dvobj.Datavane"

/* Status codes of the module and factory calls. */
#define DVOBJ_S_OK ((int32_t)0)
#define DVOBJ_S_FALSE ((int32_t)1)
#define DVOBJ_E_POINTER ((int32_t)0x80004003)
#define DVOBJ_E_FAIL ((int32_t)0x80004005)
#define DVOBJ_E_OUTOFMEMORY ((int32_t)0x8007000E)
#define DVOBJ_CLASS_E_CLASSNOTAVAILABLE ((int32_t)0x80040111)
#define DVOBJ_REGDB_E_CLASSNOTREG ((int32_t)0x80040154)
#define DVOBJ_SELFREG_E_CLASS ((int32_t)0x80040201)

/* Result codes a transformation reports through Datavane_ErrorCode: the
 * whole table, the same codes dvrun writes to its log. */
typedef enum DVObjErrorCode {
    DVObj_Success = 0,
    DVObj_Cancelled = 1,
    DVObj_Invalid_DVFile = 101,
    DVObj_No_SourceFile = 102,
    DVObj_SourceFile_Open = 103,
    DVObj_TargetFile_Create = 104,
    DVObj_TargetFile_Write = 105,
    DVObj_No_Columns = 106,
    DVObj_No_TargetFile = 107,
    DVObj_IncludeFile_Open = 108,
    DVObj_No_Delimiter = 109,
    DVObj_No_ODBCDriver = 110,
    DVObj_No_DSN = 111,
    DVObj_No_SQLQuery = 112,
    DVObj_No_SQLTable = 113,
    DVObj_ODBC_Connect = 114,
    DVObj_ODBC_SQLQuery = 115,
    DVObj_ODBC_TableQuery = 116,
    DVObj_Invalid_Argument = 117,
    DVObj_XML_Services_Missing = 118,
    /* An output document is not valid against the XML Schema it is checked
     * against while it is written (DvobjOptions.validateSchema). */
    DVObj_Output_Invalid = 120,
    /* That XML Schema cannot be loaded. */
    DVObj_Schema_Load = 121,
    /* A record of a delimited source cannot be read: a quoted field that is
     * never closed, or a record of more than 16 MB. */
    DVObj_Source_Record = 122,
    /* The definition's regional setting (or DvobjOptions.locale) names a
     * locale this machine does not have. */
    DVObj_Regional_Setting = 123,
    /* A node's name uses a namespace prefix that neither it nor an element
     * above it declares (xmlns:prefix), or is no qualified name. */
    DVObj_Namespace_Prefix = 124,
    /* No XML Schema can describe what the definition writes before it runs
     * (an XSL step, a namespace declaration read from a column). */
    DVObj_Schema_Generate = 125,
    /* A run in parts is refused (the definition's rows depend on what the
     * writer remembers of the rows before them, or its source cannot be
     * cut), or a merge's parts are missing, damaged, out of order or from
     * another definition or source. */
    DVObj_Parts = 126
} DVObjErrorCode;

typedef struct DvobjClassFactory DvobjClassFactory;
typedef struct DvobjDatavane DvobjDatavane;

/* Called with the row count about every 150 ms (also while rows are sorted or
 * skipped by filters); return 0 to cancel. */
typedef int (*DvobjProgress)(int32_t rowCount, void* context);

/* Module entry points. */
/* The (cached) class factory of the class identifier. */
DVOBJ_API int32_t DllGetClassObject(const char* classId, DvobjClassFactory** factory);
/* DVOBJ_S_OK when no object and no server lock is alive, else DVOBJ_S_FALSE. */
DVOBJ_API int32_t DllCanUnloadNow(void);
/* Writes the registration file (ProgIDs, class identifier, library path,
 * threading model "Both") under $XDG_CONFIG_HOME/datavane (else
 * ~/.config/datavane); unregistering removes it. */
DVOBJ_API int32_t DllRegisterServer(void);
DVOBJ_API int32_t DllUnregisterServer(void);

/* Class factory. */
DVOBJ_API int32_t DvobjClassFactory_CreateInstance(DvobjClassFactory* factory,
                                                   DvobjDatavane** object);
DVOBJ_API int32_t DvobjClassFactory_LockServer(DvobjClassFactory* factory, int lock);

/* Creates an object by class identifier or by either ProgID. */
DVOBJ_API int32_t Dvobj_CreateInstance(const char* classIdOrProgId, DvobjDatavane** object);

/* Reference counting (thread-safe); a new object holds one reference. */
DVOBJ_API uint32_t Datavane_AddRef(DvobjDatavane* object);
DVOBJ_API uint32_t Datavane_Release(DvobjDatavane* object);

/* Runs the definition in dvFile. A null or empty sourceFile / targetFile keeps
 * the definition's own file. Returns nonzero on success; the outcome is in
 * Datavane_ErrorCode and Datavane_ErrorMessage either way. */
DVOBJ_API int Datavane_Transform(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                                 const char* targetFile);
/* The same, reporting progress (progress may be null). */
DVOBJ_API int Datavane_TransformWithProgress(DvobjDatavane* object, const char* dvFile,
                                             const char* sourceFile, const char* targetFile,
                                             DvobjProgress progress, void* context);

/* Further options of a run. Set size to sizeof(DvobjOptions), so that a
 * later, larger version of the structure is told apart. */
typedef struct DvobjOptions {
    uint32_t size;
    /* An XML Schema (path or URL) that every output document is validated
     * against while it is written, in place of the definition's own; NULL
     * keeps the definition's, "" turns validation off. An invalid document
     * ends the run with 120, a schema that cannot be loaded with 121. */
    const char* validateSchema;
    /* Nonzero: output to standard output (target "-") is gzip-compressed.
     * Targets named *.gz or *.zst are compressed whatever this says. */
    int gzipStandardOutput;
    /* The regional settings numbers and dates follow, in place of the
     * definition's own: NULL keeps the definition's, "" the user's (from
     * the environment, whatever locale the calling process has set), "C"
     * the invariant ones, else an installed locale's name (123 when it is
     * not installed). */
    const char* locale;
    /* Threads that write rows: 0 for DATAVANE_THREADS, or else the cores
     * the process may use; 1 writes every row on the reading thread. The
     * output is the same bytes whatever the count. */
    int threads;
} DvobjOptions;

/* Transform with further options (options may be null). */
DVOBJ_API int Datavane_TransformWithOptions(DvobjDatavane* object, const char* dvFile,
                                            const char* sourceFile, const char* targetFile,
                                            const DvobjOptions* options, DvobjProgress progress,
                                            void* context);

/* Writes the XML Schema of every document the definition in dvFile can
 * write to schemaFile (one more file beside it, schemaFile's name with -2,
 * -3, … before .xsd, per further namespace the tree declares), and runs
 * nothing. With setValidation nonzero the definition then validates its
 * output against schemaFile, and dvFile is saved so. Returns nonzero on
 * success; the outcome is in Datavane_ErrorCode and Datavane_ErrorMessage
 * (125 when no schema can describe the output, 104/105 when a file cannot
 * be written). */
DVOBJ_API int Datavane_WriteSchema(DvobjDatavane* object, const char* dvFile,
                                   const char* schemaFile, int setValidation);

/* Runs in parts, by separate processes or machines, joined into the bytes
 * one Transform writes (definitions whose rows depend on what the writer
 * remembers of the rows before them, such as {ID}, are refused with
 * DVObj_Parts). Files are named by paths every process sees; sourceFile and
 * options as for Transform.
 *
 * Datavane_Plan cuts the source into `parts` shares (byte ranges of whole
 * records of a text file, ranges of the first sort key of a sorted one,
 * windows of a database query's rows) and writes them to planFile.
 * Datavane_RunPart converts share `part` (0 <= part < parts) into partFile,
 * cutting the source itself when planFile is null or empty (the same cut a
 * plan holds); with a document per row or value it writes the documents
 * its share begins, named by the definition's own target, and partFile
 * lists them. Datavane_Merge writes the parts, given in order, into
 * targetFile (null or empty: the definition's), with the validation, XSL
 * step and compression of a normal run (documents of their own: it checks
 * the parts and writes nothing); a missing, damaged, doubled, misplaced or
 * mismatched part fails it with nothing written. Each returns nonzero on
 * success; the outcome is in Datavane_ErrorCode and Datavane_ErrorMessage. */
DVOBJ_API int Datavane_Plan(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                            const char* planFile, int32_t parts, const DvobjOptions* options);
DVOBJ_API int Datavane_RunPart(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                               const char* partFile, int32_t part, int32_t parts,
                               const char* planFile, const DvobjOptions* options,
                               DvobjProgress progress, void* context);
DVOBJ_API int Datavane_Merge(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                             const char* targetFile, const char* const* partFiles,
                             int32_t partCount, const DvobjOptions* options, DvobjProgress progress,
                             void* context);

/* The code of the last call that runs or writes (0 before any). */
DVOBJ_API int32_t Datavane_ErrorCode(const DvobjDatavane* object);
/* A copy of the last message ("" before any); free it with Dvobj_FreeString. */
DVOBJ_API char* Datavane_ErrorMessage(const DvobjDatavane* object);
DVOBJ_API void Dvobj_FreeString(char* text);

#ifdef __cplusplus
}
#endif

#endif /* DVOBJ_H */
