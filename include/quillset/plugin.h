/* The interface of a Quillset plug-in library.
 *
 * A plug-in is a shared library that exports RunTimeExecute with C linkage. The engine loads
 * it for every plug-in statement, calls it twice and releases it:
 *   1. with buffer NULL: answer the length in bytes of the result text (without its
 *      terminating zero), or -1 when the statement failed (the variables then stay as they were);
 *   2. with a buffer of that length + 1: write the result text and its terminating zero.
 *
 * variables and the result are snapshot texts of all script variables: the lines name, value,
 * name, value, ... joined by ",", a line holding a character with code 0 to 32, a double quote
 * or a comma written in double quotes with inner quotes doubled. The result replaces the whole
 * variable store, so a plug-in hands back every variable it wants to keep.
 *
 * parameter is the statement's first parameter exactly as stored. progress reports a position
 * (1 to 100) and a text to the progress dialog; it answers 0 when the user has asked to cancel.
 * reserved points to a 32-bit 0 and is never read back. window is the progress dialog's
 * window, 0 when none is shown.
 */
#ifndef QUILLSET_PLUGIN_H
#define QUILLSET_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t (*QuillsetProgressCallback)(int32_t position, const char *text);

int32_t RunTimeExecute(uint32_t window, const char *variables, const char *parameter,
                       int32_t (*progress)(int32_t position, const char *text), int32_t *reserved,
                       char *buffer);

typedef int32_t (*QuillsetRunTimeExecute)(uint32_t window, const char *variables, const char *parameter,
                                          int32_t (*progress)(int32_t position, const char *text),
                                          int32_t *reserved, char *buffer);

#ifdef __cplusplus
}
#endif

#endif
