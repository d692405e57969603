/* What the tests and the stand-in client library share: the layout of the stand-in's error
   handle, through which a test decides what OCIErrorGet reports, and the environment variable
   naming the file in which the stand-in records its initialisation calls. */
#ifndef VEK_FAKE_CLIENT_LIBRARY_H
#define VEK_FAKE_CLIENT_LIBRARY_H

#define VEK_FAKE_RECORD_VARIABLE "VEK_FAKE_CLIENT_RECORD"

/* The stand-in's error handle: one error record, or none when code is 0. */
struct FakeErrorHandle {
  int code;
  const char* text;
};

#endif
