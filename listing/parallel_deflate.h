/* Stand-ins for the minizip calls with which libxlsxwriter's packager adds each part of a
 * workbook to its ZIP container and closes it (xlsxwriter_packager.c puts them in their
 * place): the same arguments and results, but a part is deflated on several threads, a
 * mebibyte at a time, and handed to minizip already compressed. For 200,000 files the
 * sheet is 57 MB of XML, and packing it on one thread took 0.20 s of the 0.54 s the
 * workbook took.
 *
 * Each piece is deflated on its own with the 32 KiB before it as its dictionary and ends
 * byte-aligned (Z_SYNC_FLUSH), the last one with the final block, so that the pieces one
 * after another are a single deflate stream, as if deflated in one go. The threads of
 * one part, and that part's state, belong to the thread that packs the workbook. */
#ifndef TOLVANE_PARALLEL_DEFLATE_H
#define TOLVANE_PARALLEL_DEFLATE_H

#include <stdio.h>
#include <xlsxwriter/third_party/zip.h>

#ifdef __cplusplus
extern "C" {
#endif

int tolvane_zip_open(zipFile file, const char* filename, const zip_fileinfo* info,
                     const void* extraLocal, uInt extraLocalSize, const void* extraGlobal,
                     uInt extraGlobalSize, const char* comment, int method, int level, int raw,
                     int windowBits, int memLevel, int strategy, const char* password,
                     uLong crcForCrypting, uLong versionMadeBy, uLong flagBase, int zip64);
int tolvane_zip_write(zipFile file, const void* data, unsigned int length);
int tolvane_zip_close(zipFile file);
int tolvane_zip_end(zipFile file, const char* comment);

/* Has the next part opened packed with the content of `rows` put in before the first
 * "</sheetData>" of `sheet` (which is that part, as far as written), and takes over
 * `rows`. The rows of a sheet in constant-memory mode then go into the workbook straight
 * from their temporary file, which the library would copy into the sheet's file first. */
void tolvane_zip_insert_rows(FILE* sheet, FILE* rows);

#ifdef __cplusplus
}
#endif

#endif
