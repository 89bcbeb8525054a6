// Usage: bench_count FILE ELEMENT
// Reads FILE as a stream (any size, any encoding it declares), fails unless
// it is well-formed, and prints how many elements are named ELEMENT.
#include <libxml/xmlreader.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE ELEMENT\n", argv[0]);
        return 2;
    }
    xmlTextReaderPtr reader = xmlReaderForFile(argv[1], nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
    if (reader == nullptr) {
        std::fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    long long count = 0;
    int status;
    while ((status = xmlTextReaderRead(reader)) == 1) {
        if (xmlTextReaderNodeType(reader) == XML_READER_TYPE_ELEMENT &&
            std::strcmp(reinterpret_cast<const char*>(xmlTextReaderConstName(reader)), argv[2]) ==
                0) {
            ++count;
        }
    }
    xmlFreeTextReader(reader);
    if (status != 0) {
        std::fprintf(stderr, "%s: not well-formed\n", argv[1]);
        return 1;
    }
    std::printf("%lld\n", count);
    return 0;
}
