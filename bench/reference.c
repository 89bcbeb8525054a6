/* The plain workload written by hand: a CSV with a header row to an indented
 * UTF-8 document of <row> elements, one element per column. The practical
 * limit the suite is measured against: large reads, one pass per line,
 * escaping, large writes, no allocation per row. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define BLOCK (1 << 20)
#define MAX_COLUMNS 256

static char out[BLOCK + 65536];
static size_t used;
static FILE* target;

static void flush(void) {
    fwrite(out, 1, used, target);
    used = 0;
}

static void put(const char* data, size_t length) {
    if (used + length > sizeof out) {
        flush();
    }
    memcpy(out + used, data, length);
    used += length;
}

static void put_escaped(const char* p, const char* end) {
    const char* run = p;
    for (; p < end; ++p) {
        const char* entity = NULL;
        switch (*p) {
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '&':
                entity = "&amp;";
                break;
            default:
                continue;
        }
        put(run, (size_t)(p - run));
        put(entity, strlen(entity));
        run = p + 1;
    }
    put(run, (size_t)(p - run));
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: reference IN.csv OUT.xml\n");
        return 2;
    }
    FILE* source = fopen(argv[1], "rb");
    target = fopen(argv[2], "wb");
    if (!source || !target) {
        perror("open");
        return 1;
    }
    static char block[2 * BLOCK];
    char names[MAX_COLUMNS][64];
    size_t nameLength[MAX_COLUMNS];
    int columns = 0;
    size_t have = 0;
    int header = 1;
    static const char head[] =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<document>\n";
    put(head, sizeof head - 1);
    for (;;) {
        size_t got = fread(block + have, 1, BLOCK, source);
        have += got;
        char* p = block;
        char* end = block + have;
        for (;;) {
            char* nl = memchr(p, '\n', (size_t)(end - p));
            if (!nl) {
                if (got == 0 && p < end) {
                    nl = end; /* last line without a line feed */
                } else {
                    break;
                }
            }
            char* line_end = nl;
            if (line_end > p && line_end[-1] == '\r') {
                --line_end;
            }
            if (line_end > p) {
                int column = 0;
                char* f = p;
                if (!header) {
                    put("\t<row>\n", 7);
                }
                while (f <= line_end && column < MAX_COLUMNS) {
                    char* start = f;
                    char* stop;
                    if (f < line_end && *f == '"') {
                        char* close = memchr(f + 1, '"', (size_t)(line_end - f - 1));
                        close = close ? close : line_end;
                        start = f + 1;
                        stop = close;
                        f = memchr(close, ',', (size_t)(line_end - close));
                        f = f ? f : line_end;
                    } else {
                        stop = memchr(f, ',', (size_t)(line_end - f));
                        stop = stop ? stop : line_end;
                        f = stop;
                    }
                    if (header) {
                        size_t n = (size_t)(stop - start) < 63 ? (size_t)(stop - start) : 63;
                        memcpy(names[column], start, n);
                        nameLength[column] = n;
                        columns = column + 1;
                    } else if (column < columns) {
                        put("\t\t<", 3);
                        put(names[column], nameLength[column]);
                        put(">", 1);
                        put_escaped(start, stop);
                        put("</", 2);
                        put(names[column], nameLength[column]);
                        put(">\n", 2);
                    }
                    ++column;
                    ++f;
                }
                if (!header) {
                    put("\t</row>\n", 8);
                }
                header = 0;
            }
            if (nl == end) {
                p = end;
                break;
            }
            p = nl + 1;
        }
        have = (size_t)(end - p);
        memmove(block, p, have);
        if (got == 0) {
            break;
        }
    }
    put("</document>\n", 12);
    flush();
    fclose(source);
    return fclose(target) == 0 ? 0 : 1;
}
