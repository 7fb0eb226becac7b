/* The browser page's door into the matting code: plain C functions over one run
 * that the code here owns from the first picture to the last file. The run says
 * what it wants next (a picture, a computation, the hand-over of a file), with the
 * line the page shows for that step; the page's worker answers with pictures and
 * collects files. Only bytes, numbers and text cross.
 *
 * The numbers below are the only copy: the page's scripts get them from this file
 * when the page is built (web/build/door_numbers.py reads every FERLANE_ name
 * defined in an enum here, and stops the build on an entry that is not a plain
 * "NAME = number"), so keep each one so.
 */
#ifndef FERLANE_DOOR_H
#define FERLANE_DOOR_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The pictures a run takes, as the page's boxes hold them. */
enum FerlaneSlot {
    FERLANE_SLOT_BACKGROUND0 = 0,
    FERLANE_SLOT_IMAGE0 = 1,
    FERLANE_SLOT_BACKGROUND1 = 2,
    FERLANE_SLOT_IMAGE1 = 3,
    FERLANE_SLOT_ALPHA = 4,
    FERLANE_SLOT_COUNT = 5
};

/* What the run wants next, as ferlane_next answers. */
enum FerlaneStep {
    FERLANE_STEP_PICTURE = 0, /* the picture of ferlane_slot(), handed over as a BMP file or as pixels */
    FERLANE_STEP_COMPUTE = 1, /* ferlane_compute() */
    FERLANE_STEP_FILE = 2,    /* a written file to take: ferlane_file_*() */
    FERLANE_STEP_DONE = 3,    /* the run is complete */
    FERLANE_STEP_FAILED = 4,  /* the run failed: ferlane_message(), ferlane_failed_slot() */
    FERLANE_STEP_WAITING = 5  /* nothing to run with the pictures chosen: ferlane_line() says why */
};

/* The files a run writes. */
enum FerlaneFile { FERLANE_FILE_ALPHA = 0, FERLANE_FILE_ERROR = 1, FERLANE_FILE_FOREGROUND = 2 };

/* Why the page could not hand a picture over. */
enum FerlaneUnread {
    FERLANE_UNREAD_CANNOT_READ = 0,   /* the browser can no longer read the file */
    FERLANE_UNREAD_CANNOT_DECODE = 1, /* no picture the browser can decode */
    FERLANE_UNREAD_OUT_OF_MEMORY = 2  /* no memory for its pixels */
};

/* Why the page's own PNG decoder refused a file, as ferlane_refuse_png takes it. */
enum FerlanePngRule {
    FERLANE_PNG_CUT_SHORT = 0,             /* the file ends inside a chunk, or before its IEND chunk */
    FERLANE_PNG_NO_HEADER = 1,             /* no IHDR chunk of 13 bytes first */
    FERLANE_PNG_BAD_SIZE = 2,              /* a width or height of 0, or above 2^31 - 1 */
    FERLANE_PNG_BAD_FORMAT = 3,            /* a bit depth the colour type cannot have, or an unknown method */
    FERLANE_PNG_BAD_CHECKSUM = 4,          /* a critical chunk's CRC does not match its bytes */
    FERLANE_PNG_CHUNK_OUT_OF_PLACE = 5,    /* IHDR twice, image data split by other chunks, a palette after it */
    FERLANE_PNG_UNKNOWN_CRITICAL = 6,      /* a chunk marked critical that no PNG reader knows */
    FERLANE_PNG_NO_PALETTE = 7,            /* a palette picture without a palette of 1 to 256 colours before its data */
    FERLANE_PNG_NO_DATA = 8,               /* no image data */
    FERLANE_PNG_DATA_DAMAGED = 9,          /* the compressed image data does not inflate, or fails its checksum */
    FERLANE_PNG_DATA_ENDS_EARLY = 10,      /* the image data ends before its last row */
    FERLANE_PNG_UNKNOWN_FILTER = 11,       /* a row filtered by no filter a PNG has */
    FERLANE_PNG_INDEX_OUTSIDE_PALETTE = 12 /* a pixel's colour index beyond the palette's last colour */
};

/* The shares of the pixels in an error map. */
enum FerlaneShare {
    FERLANE_SHARE_EXACT = 0,     /* alpha resolved to the level */
    FERLANE_SHARE_COARSE = 1,    /* alpha resolved in steps */
    FERLANE_SHARE_UNRESOLVED = 2 /* the backgrounds are equal: no alpha can be computed */
};

/* The nine parts of the picture, in thirds of its width and height, for telling
 * where in it the shares lie. */
enum FerlanePart {
    FERLANE_PART_TOP_LEFT = 0,
    FERLANE_PART_TOP = 1,
    FERLANE_PART_TOP_RIGHT = 2,
    FERLANE_PART_LEFT = 3,
    FERLANE_PART_CENTRE = 4,
    FERLANE_PART_RIGHT = 5,
    FERLANE_PART_BOTTOM_LEFT = 6,
    FERLANE_PART_BOTTOM = 7,
    FERLANE_PART_BOTTOM_RIGHT = 8,
    FERLANE_PART_COUNT = 9
};

/* What each call that can fail answers. */
enum FerlaneStatus { FERLANE_OK = 0, FERLANE_FAILED = 1 };

/* What a picture file is, told by its first bytes. */
enum FerlaneKind { FERLANE_KIND_BMP = 0, FERLANE_KIND_PNG = 1, FERLANE_KIND_JPEG = 2, FERLANE_KIND_OTHER = 3 };

/* How many of a file's first bytes the page hands to ferlane_picture_kind,
 * ferlane_check_bmp and ferlane_bmp_layout: enough for every header field they
 * read (a shorter file is handed whole). */
enum FerlaneHead { FERLANE_HEAD_BYTES = 54 };

/* Where a BMP file's pixels lie, as ferlane_bmp_layout tells it. */
enum FerlaneBmpLayout {
    FERLANE_BMP_COLUMNS = 0,     /* the picture's columns */
    FERLANE_BMP_ROWS = 1,        /* and rows */
    FERLANE_BMP_TOP_ROW = 2,     /* the byte offset of its top row's first pixel */
    FERLANE_BMP_ROW_STEP = 3,    /* bytes from one row to the row below it, negative for rows stored bottom-up */
    FERLANE_BMP_PIXEL_BYTES = 4, /* 3 or 4, each pixel's bytes running blue, green, red */
    FERLANE_BMP_LAYOUT_COUNT = 5
};

/* What ferlane_read_header answers when it wants more of the file, beside
 * FERLANE_OK and FERLANE_FAILED. */
enum FerlaneHeaderRead { FERLANE_HEADER_MORE = 2 };

/* What a picture's header says, as ferlane_header_fact tells it. */
enum FerlaneHeaderFact {
    FERLANE_HEADER_COLUMNS = 0,     /* the picture's columns, as shown: a camera's turn applied */
    FERLANE_HEADER_ROWS = 1,        /* and rows */
    FERLANE_HEADER_INKS = 2,        /* a JPEG's colour components (4: CMYK or YCCK); 0 for other formats */
    FERLANE_HEADER_PREVIEWABLE = 3, /* 1 for a size the page may decode for a small picture of it, else 0 */
    FERLANE_HEADER_FACT_COUNT = 4
};

/* A new run: forgets the last one and every picture it held. */
void ferlane_reset(void);

/* A new run that keeps its two backgrounds for the next one, as a turntable's
 * frames share them: they are read once. With take 1, it takes the last run's,
 * where that run kept them too, ended well, and had backgrounds of the names this
 * one chooses (ferlane_choose): it asks for neither, and announces neither. The
 * page takes them only for the very same files. */
void ferlane_reset_keeping_backgrounds(int take);

/* Runs a small made-up set, before the page's first, so that the browser has its
 * fast code ready by then. */
void ferlane_warm_up(void);

/* Names a chosen picture (UTF-8, copied); a slot never named is not chosen. */
void ferlane_choose(int slot, const char* name);

/* Moves to the next step and tells what it wants. After a failure the answer
 * stays FERLANE_STEP_FAILED. */
int ferlane_next(void);

/* The step's line for the page to show, UTF-8; empty for a step it need not show. */
const char* ferlane_line(void);

/* The picture a FERLANE_STEP_PICTURE wants. */
int ferlane_slot(void);

/* The kind of the picture whose first bytes (up to FERLANE_HEAD_BYTES) these are. */
int ferlane_picture_kind(const uint8_t* head, size_t headLength);

/* Where the pixels of a BMP file lie, from its first bytes and its length, as the
 * reader finds them: layout[FERLANE_BMP_*] receives each value (doubles, so that
 * offsets in files above 2 GiB stay exact). FERLANE_FAILED for a file the reader
 * refuses. Touches no run. */
int ferlane_bmp_layout(const uint8_t* head, size_t headLength, double fileLength, double* layout);

/* The picture of `slot` as this run holds it once handed over, for a small picture
 * of it: the address of its top row, and layout[FERLANE_BMP_*] as for a BMP file
 * but with each pixel's 3 bytes running red, green, blue, from that address. Null
 * while the run holds none for the slot. */
const uint8_t* ferlane_held_picture(int slot, double* layout);

/* A BMP file's first bytes (its headers) and its length, checked before any pixel
 * is handed over: refused as the reader refuses it, for a size other than
 * background 0's, and for a set too large for the page's memory. */
int ferlane_check_bmp(const uint8_t* head, size_t headLength, double fileLength);

/* A picture file's header, read before anything of it is decoded (BMP, PNG,
 * JPEG, WebP and GIF; other formats are refused): ferlane_header_begin with the
 * file's length, then ferlane_read_header with the file's bytes from
 * ferlane_header_at() on, ferlane_header_length() of them (fewer only where the
 * file ends), for as long as it answers FERLANE_HEADER_MORE. FERLANE_OK: its
 * facts are known (ferlane_header_fact, -1 until then); FERLANE_FAILED: refused.
 * Touches no run, and takes no memory of the picture's size. */
void ferlane_header_begin(double fileLength);
double ferlane_header_at(void);
size_t ferlane_header_length(void);
int ferlane_read_header(const uint8_t* bytes, size_t length);
double ferlane_header_fact(int which);

/* The header last read, checked against the run before the browser decodes the
 * picture, as a BMP's is: refused with its reason, for a size other than
 * background 0's, and for a set too large for the page's memory. The decoded
 * picture must then have the header's size. */
int ferlane_check_header(void);

/* Room for the whole BMP file, then the file read from it. Null when there is no
 * memory for it (the run has failed then). */
uint8_t* ferlane_bmp_buffer(size_t length);
int ferlane_take_bmp(void);

/* Room for a picture the browser decoded, four bytes a pixel (red, green, blue and
 * an opacity the matting does not use), then the picture taken from it. Null when
 * the size is refused or there is no memory for it (the run has failed then). */
uint8_t* ferlane_pixel_buffer(int columns, int rows);
int ferlane_take_pixels(void);

/* The page could not hand the wanted picture over: the run fails, naming it. Out
 * of memory, the run fails at any step. */
int ferlane_unread(int why);

/* The page's own PNG decoder refused the wanted picture for a FerlanePngRule:
 * the run fails, naming the picture and the rule. */
int ferlane_refuse_png(int rule);

/* Runs a FERLANE_STEP_COMPUTE. */
int ferlane_compute(void);

/* The file of a FERLANE_STEP_FILE, valid until the next step: which one, its name,
 * whether it is offered for saving (a matte read from a file is only shown), and
 * its bytes. */
int ferlane_file(void);
const char* ferlane_file_name(void);
int ferlane_file_offered(void);
const uint8_t* ferlane_file_data(void);
size_t ferlane_file_size(void);

/* A failed run: its message, as the page shows it, and the slot of the picture
 * that failed, or -1 when the failure is no one picture's. */
const char* ferlane_message(void);
int ferlane_failed_slot(void);

/* The share (0 to 1) of the pixels of the error map the run computed, or -1
 * when it computed none. */
double ferlane_share(int which);

/* The same share within one part of the picture (FerlanePart); 0 for a part
 * too small to hold a pixel, -1 when the run computed no error map. */
double ferlane_share_in(int which, int part);

#ifdef __cplusplus
}
#endif

#endif
