/* A stand-in for the Oracle client library, built in several variants that export the entry
   points of chosen families, each complete or with a name left out (CMakeLists.txt). It records
   which initialisation entry was called with which argument, and OCIErrorGet and oerhms report
   what a test put into the error handle. Every other entry point is a stub of
   FakeClientStubs.c. */
#include "FakeClientLibrary.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void Record(const char* line) {
  const char* path = getenv(VEK_FAKE_RECORD_VARIABLE);
  if (!path || !*path) return;
  FILE* file = fopen(path, "a");
  if (!file) return;
  fputs(line, file);
  fputc('\n', file);
  fclose(file);
}

int oerhms(void* lda, short rcode, unsigned char* buf, int bufsiz) {
  (void)lda;
  if (buf && bufsiz > 0)
    snprintf((char*)buf, (size_t)bufsiz, "ORA-%05d: message %d\n", rcode, rcode);
  return 0;
}

int opinit(unsigned mode) {
  char line[64];
  snprintf(line, sizeof line, "opinit %u", mode);
  Record(line);
  return 0;
}

int OCIInitialize(unsigned mode, void* ctxp, void* m, void* r, void* f) {
  char line[64];
  snprintf(line, sizeof line, "OCIInitialize %u%s", mode,
           ctxp || m || r || f ? " with callbacks" : "");
  Record(line);
  return 0;
}

int OCIErrorGet(void* hndlp, unsigned recordno, unsigned char* sqlstate, int* errcodep,
                unsigned char* bufp, unsigned bufsiz, unsigned type) {
  const struct FakeErrorHandle* handle = (const struct FakeErrorHandle*)hndlp;
  (void)sqlstate;
  if (!handle || type != 2) return -2;
  if (recordno != 1 || handle->code == 0) return 100;
  if (errcodep) *errcodep = handle->code;
  if (bufp && bufsiz > 0) {
    size_t length = strlen(handle->text);
    if (length > bufsiz - 1) length = bufsiz - 1;
    memcpy(bufp, handle->text, length);
    bufp[length] = 0;
  }
  return 0;
}

int OCIEnvCreate(void** envp, unsigned mode, void* ctxp, void* m, void* r, void* f,
                 size_t xtramem_sz, void** usrmempp) {
  (void)envp;
  (void)ctxp;
  (void)m;
  (void)r;
  (void)f;
  (void)xtramem_sz;
  (void)usrmempp;
  char line[64];
  snprintf(line, sizeof line, "OCIEnvCreate %u", mode);
  Record(line);
  return 0;
}
