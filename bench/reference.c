/* The plain workload written by hand, as fast as we know how: the yardstick
 * the suite's speed is given against.
 *
 *   reference IN.csv OUT.xml
 *
 * A CSV file (comma, double quotes, the first record naming the columns) to
 * an indented UTF-8 document of <row> elements with one element per column,
 * empty values left out, < > & escaped, a CR inside quotes written as &#13;
 * and other control bytes dropped. One state machine runs over 1 MiB blocks
 * and keeps its state from block to block, so nothing is copied twice; runs
 * of ordinary bytes are found 16 at a time (SSE2); tags are prebuilt and
 * copied with fixed-size moves; output goes out in 1 MiB writes. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#define IN_SIZE (1u << 20)
#define OUT_SIZE (1u << 20)
#define PAD 32 /* tags are padded so that they copy as one 32-byte move */
#define MAX_COLUMNS 1024

static unsigned char input[IN_SIZE + 32];
static char output[OUT_SIZE + 4 * PAD];
static size_t used;
static int target = -1;

static void flush_output(void) {
    size_t done = 0;
    while (done < used) {
        ssize_t n = write(target, output + done, used - done);
        if (n <= 0) {
            perror("reference: write");
            exit(2);
        }
        done += (size_t)n;
    }
    used = 0;
}

static void put(const char* p, size_t n) {
    if (used + n > OUT_SIZE)
        flush_output();
    while (n > OUT_SIZE) {
        memcpy(output, p, OUT_SIZE);
        used = OUT_SIZE;
        flush_output();
        p += OUT_SIZE, n -= OUT_SIZE;
    }
    memcpy(output + used, p, n);
    used += n;
}

/* A padded piece: one fixed 32-byte move (the slack past OUT_SIZE holds it). */
static inline void put_padded(const char* p, size_t n) {
    if (n > PAD) {
        put(p, n);
        return;
    }
    if (used > OUT_SIZE)
        flush_output();
    memcpy(output + used, p, PAD);
    used += n;
}

/* Column tags, built from the header. */
static int columns, header = 1, field;
static char* open_tag[MAX_COLUMNS];
static char* close_tag[MAX_COLUMNS];
static size_t open_length[MAX_COLUMNS], close_length[MAX_COLUMNS];
static char name[4096];
static size_t name_length;

/* The current field's value starts out pending: its open tag is written
 * only when the first byte of a non-empty value arrives. */
static int value_started;

static void header_byte_run(const unsigned char* p, size_t n) {
    if (name_length + n >= sizeof name) {
        fprintf(stderr, "reference: header name too long\n");
        exit(1);
    }
    memcpy(name + name_length, p, n);
    name_length += n;
}

static void end_header_field(void) {
    if (columns == MAX_COLUMNS) {
        fprintf(stderr, "reference: too many columns\n");
        exit(1);
    }
    char* o = calloc(1, name_length + 4 + PAD);
    char* c = calloc(1, name_length + 4 + PAD);
    if (!o || !c)
        exit(2);
    o[0] = '\n', o[1] = '\t', o[2] = '\t', o[3] = '<';
    memcpy(o + 4, name, name_length);
    o[name_length + 4] = '>';
    c[0] = '<', c[1] = '/';
    memcpy(c + 2, name, name_length);
    c[name_length + 2] = '>';
    open_tag[columns] = o, open_length[columns] = name_length + 5;
    close_tag[columns] = c, close_length[columns] = name_length + 3;
    columns++;
    name_length = 0;
}

static inline void start_value(void) {
    if (!value_started) {
        put_padded(open_tag[field], open_length[field]);
        value_started = 1;
    }
}

/* A run of plain bytes from the input block (which has 32 bytes of slack
 * past its data, so a short run copies as one fixed move). */
static inline void text(const unsigned char* p, size_t n) {
    if (n == 0)
        return;
    if (__builtin_expect(header, 0)) {
        header_byte_run(p, n);
        return;
    }
    if (field >= columns)
        return;
    start_value();
    if (n <= PAD && used <= OUT_SIZE) {
        memcpy(output + used, p, PAD);
        used += n;
    } else {
        put((const char*)p, n);
    }
}

static void special(unsigned char c) {
    static const char* const entity[256] = {
        ['&'] = "&amp;", ['<'] = "&lt;", ['>'] = "&gt;", ['\r'] = "&#13;",
        ['"'] = "\"",    ['\t'] = "\t",  ['\n'] = "\n"};
    const char* e = entity[c];
    if (!e)
        return; /* a control byte XML cannot hold */
    if (header) {
        header_byte_run((const unsigned char*)e, strlen(e));
        return;
    }
    if (field >= columns)
        return;
    start_value();
    put(e, strlen(e));
}

static inline void end_field(void) {
    if (__builtin_expect(header, 0)) {
        end_header_field();
    } else if (field < columns && value_started) {
        put_padded(close_tag[field], close_length[field]);
    }
    value_started = 0;
    field++;
}

static const char row_open[PAD] = "\n\t<row>", row_close[PAD] = "\n\t</row>";

static inline void start_record(void) {
    field = 0;
    if (!header)
        put_padded(row_open, 7);
}

static inline void end_record(void) {
    if (header) {
        header = 0;
        return;
    }
    put_padded(row_close, 8);
}

/* Stop bytes: , " & < > and controls (tab and, inside quotes, LF pass). */
static inline size_t scan(const unsigned char* p, size_t i, int quoted) {
#ifdef __SSE2__
    const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"');
    const __m128i amp = _mm_set1_epi8('&'), lt = _mm_set1_epi8('<'), gt = _mm_set1_epi8('>');
    const __m128i space = _mm_set1_epi8(0x20), tab = _mm_set1_epi8('\t'), lf = _mm_set1_epi8('\n');
    for (;; i += 16) {
        __m128i v = _mm_loadu_si128((const __m128i*)(p + i));
        /* controls: unsigned v < 0x20, i.e. min(v, 0x20) != 0x20 */
        __m128i control =
            _mm_xor_si128(_mm_cmpeq_epi8(_mm_min_epu8(v, space), space), _mm_set1_epi8(-1));
        __m128i allowed = _mm_cmpeq_epi8(v, tab);
        if (quoted)
            allowed = _mm_or_si128(allowed, _mm_cmpeq_epi8(v, lf));
        __m128i stop = _mm_andnot_si128(allowed, control);
        stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, amp)));
        stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, gt)));
        if (!quoted)
            stop = _mm_or_si128(stop, _mm_cmpeq_epi8(v, comma));
        unsigned bits = (unsigned)_mm_movemask_epi8(stop);
        if (bits)
            return i + (size_t)__builtin_ctz(bits);
    }
#else
    for (;; i++) {
        unsigned char c = p[i];
        if (c == '"' || c == '&' || c == '<' || c == '>' || (!quoted && c == ',') ||
            (c < 0x20 && c != '\t' && !(quoted && c == '\n')))
            return i;
    }
#endif
}

enum { RECORD_START, FIELD_START, UNQUOTED, QUOTED, AFTER_QUOTE };

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: reference IN.csv OUT.xml\n");
        return 2;
    }
    int source = open(argv[1], O_RDONLY);
    if (source < 0) {
        perror(argv[1]);
        return 2;
    }
    target = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (target < 0) {
        perror(argv[2]);
        return 2;
    }
    static const char prologue[] =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<document>";
    put(prologue, sizeof prologue - 1);

    int state = RECORD_START, first_block = 1;
    ssize_t got;
    while ((got = read(source, input, IN_SIZE)) > 0) {
        size_t n = (size_t)got, i = 0, j;
        input[n] = 0; /* a stop byte ends every scan */
        if (first_block) {
            first_block = 0;
            if (n >= 3 && input[0] == 0xEF && input[1] == 0xBB && input[2] == 0xBF)
                i = 3;
        }
        while (i < n) {
            unsigned char c;
            switch (state) {
                case RECORD_START:
                    c = input[i];
                    if (c == '\n' || c == '\r') {
                        i++;
                        break;
                    }
                    start_record();
                    state = FIELD_START;
                    break;
                case FIELD_START:
                    if (input[i] == '"') {
                        i++;
                        state = QUOTED;
                    } else {
                        state = UNQUOTED;
                    }
                    break;
                case UNQUOTED:
                    j = scan(input, i, 0);
                    text(input + i, j - i);
                    i = j;
                    if (i == n)
                        break;
                    c = input[i++];
                    if (c == ',') {
                        end_field();
                        state = FIELD_START;
                    } else if (c == '\n' || c == '\r') {
                        end_field();
                        end_record();
                        state = RECORD_START;
                    } else {
                        special(c);
                    }
                    break;
                case QUOTED:
                    j = scan(input, i, 1);
                    text(input + i, j - i);
                    i = j;
                    if (i == n)
                        break;
                    c = input[i++];
                    if (c == '"') {
                        state = AFTER_QUOTE;
                    } else {
                        special(c);
                    }
                    break;
                case AFTER_QUOTE:
                    c = input[i];
                    if (c == '"') {
                        i++;
                        special('"');
                        state = QUOTED;
                    } else if (c == ',') {
                        i++;
                        end_field();
                        state = FIELD_START;
                    } else if (c == '\n' || c == '\r') {
                        i++;
                        end_field();
                        end_record();
                        state = RECORD_START;
                    } else {
                        state = UNQUOTED;
                    }
                    break;
            }
        }
    }
    if (got < 0) {
        perror(argv[1]);
        return 2;
    }
    if (state != RECORD_START) {
        end_field();
        end_record();
    }
    if (header) {
        fprintf(stderr, "reference: no header row\n");
        return 1;
    }
    close(source);
    put("\n</document>\n", 13);
    flush_output();
    if (close(target) != 0) {
        perror(argv[2]);
        return 2;
    }
    return 0;
}
