#pragma once

#include <cstdint>
#include <string>
#include <variant>

// The scalar members of a transformation definition, with their defaults.
// Each member is stored in the project file under the element name given in
// kProjectMembers below.
struct DVFileSettings {
    enum SourceType : int32_t {
        kDelimitedText = 0,
        kFixedWidthText = 1,
        kOdbc = 2,
        kExcel = 3,
        kAccess = 4,
    };

    // ODBC data sources, workbooks and Access databases: read through a
    // connection, by table or query.
    static constexpr bool IsDatabase(int32_t type) {
        return type == kOdbc || type == kExcel || type == kAccess;
    }

    std::string sourcefilename;
    std::string targetfilename;
    std::string delimiter = ",";
    std::string filedsn;
    std::string usersysdsn;
    std::string sqlquery;  // line breaks CR LF in memory
    std::string sqltablename;
    std::string username;
    std::string password;  // stored as plain text
    std::string odbcdriver;
    std::string doctypepublicid;
    std::string doctypedtd;
    std::string stylesheethref;
    std::string stylesheettitle;
    std::string includefile;
    std::string customtext;  // line breaks CR LF in memory
    std::string encoding = "utf-16";
    std::string xsltransform;
    std::string additionalConnectionParameters;
    // An XML Schema every output document is validated against while it is
    // written (path or URL); empty for none. Stored only when set, so older
    // readers never meet it.
    std::string validateschema;
    // Quoted fields of delimited sources may hold line breaks: a record then
    // runs on until its quoted field closes. Off in stored definitions that
    // do not say otherwise; definitions the editor and dvimport make have it.
    bool quotedlinebreaks = false;
    // The regional settings numbers and dates follow: empty for the user's,
    // "C" for the invariant ones, else an installed locale's name.
    std::string locale;
    int32_t sourcetype = kDelimitedText;
    int32_t sqltype = 0;
    int32_t dsntype = 0;
    int32_t firstrow = 0;
    int32_t lastrow = 0;
    int32_t filepercolvalueid = 0;
    int32_t firstOutputId = 1;
    bool firstrowhascolnames = true;
    bool removequotes = true;
    bool treatconsecutivedelimsasone = false;
    bool trimspace = true;
    bool includedoctype = false;
    bool includestylesheet = false;
    bool isstylesheetxsl = true;
    bool fileperrow = false;
    bool autoaddnodes = true;
    bool autoremovenodes = false;
    bool autolinknodes = true;
    bool alwaysemitendtags = false;
    bool includeXmlDeclaration = true;
    bool includeStandaloneProperty = true;
    bool indentOutput = true;

    bool operator==(const DVFileSettings&) const = default;
};

// One member as the project file stores it.
struct ProjectMember {
    const char* element;
    std::variant<std::string DVFileSettings::*, int32_t DVFileSettings::*, bool DVFileSettings::*>
        field;
    bool inLegacyFiles;  // read from files of the older layout
};

// Every member, in the order the project file lists them.
inline const ProjectMember kProjectMembers[] = {
    {"sourcetype", &DVFileSettings::sourcetype, true},
    {"sourcefilename", &DVFileSettings::sourcefilename, true},
    {"targetfilename", &DVFileSettings::targetfilename, true},
    {"autoaddnodes", &DVFileSettings::autoaddnodes, true},
    {"autoremovenodes", &DVFileSettings::autoremovenodes, true},
    {"autolinknodes", &DVFileSettings::autolinknodes, true},
    {"delimiter", &DVFileSettings::delimiter, true},
    {"firstrowhascolnames", &DVFileSettings::firstrowhascolnames, true},
    {"removequotes", &DVFileSettings::removequotes, true},
    {"firstrow", &DVFileSettings::firstrow, true},
    {"lastrow", &DVFileSettings::lastrow, true},
    {"treatconsecutivedelimsasone", &DVFileSettings::treatconsecutivedelimsasone, true},
    {"trimspace", &DVFileSettings::trimspace, true},
    {"odbcdriver", &DVFileSettings::odbcdriver, true},
    {"dsntype", &DVFileSettings::dsntype, true},
    {"usersysdsn", &DVFileSettings::usersysdsn, true},
    {"filedsn", &DVFileSettings::filedsn, true},
    {"username", &DVFileSettings::username, true},
    {"password", &DVFileSettings::password, true},
    {"AdditionalConnectionParameters", &DVFileSettings::additionalConnectionParameters, true},
    {"sqltype", &DVFileSettings::sqltype, true},
    {"sqltablename", &DVFileSettings::sqltablename, true},
    {"sqlquery", &DVFileSettings::sqlquery, true},
    {"includedoctype", &DVFileSettings::includedoctype, true},
    {"doctypepublicid", &DVFileSettings::doctypepublicid, true},
    {"doctypedtd", &DVFileSettings::doctypedtd, true},
    {"includestylesheet", &DVFileSettings::includestylesheet, true},
    {"isstylesheetxsl", &DVFileSettings::isstylesheetxsl, true},
    {"stylesheethref", &DVFileSettings::stylesheethref, true},
    {"stylesheettitle", &DVFileSettings::stylesheettitle, true},
    {"customtext", &DVFileSettings::customtext, true},
    {"includefile", &DVFileSettings::includefile, true},
    {"encoding", &DVFileSettings::encoding, true},
    {"fileperrow", &DVFileSettings::fileperrow, true},
    {"filepercolvalueid", &DVFileSettings::filepercolvalueid, true},
    {"xsltransform", &DVFileSettings::xsltransform, true},
    {"alwaysemitendtags", &DVFileSettings::alwaysemitendtags, true},
    {"first-output-id", &DVFileSettings::firstOutputId, false},
    {"include-xml-declaration", &DVFileSettings::includeXmlDeclaration, false},
    {"include-standalone-property", &DVFileSettings::includeStandaloneProperty, false},
    {"indent-output", &DVFileSettings::indentOutput, false},
};

// Members written after the others, and only when they differ from their
// defaults, so that files which do not use them stay as older programs wrote
// them. Never in files of the older layout.
inline const ProjectMember kOptionalProjectMembers[] = {
    {"validateschema", &DVFileSettings::validateschema, false},
    {"quotedlinebreaks", &DVFileSettings::quotedlinebreaks, false},
    {"locale", &DVFileSettings::locale, false},
};
