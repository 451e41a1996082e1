#pragma once

// The template merger's flat interface: one document of the process is
// being built at a time. Every call clears the error flag first; a call that
// fails sets it and leaves its reason (UTF-8) for dfw_getErrorWhat. No call
// throws. Texts and names are UTF-8; paths are in the local 8-bit encoding.
//
// Not for two threads at once: the document, the flag and the text are the
// process's single state.

// Only "UTF-8" is known.
void dfw_setCodePage(const char* codePage);
// Starts a new document from the template at path.
void dfw_load(const char* path);
void dfw_setClipboardValueByStr(const char* item, const char* field, const char* value);
void dfw_setClipboardValueByDouble(const char* item, const char* field, double value);
// Appends one filled copy of the item.
void dfw_paste(const char* item);
// Writes the document to path, replacing a file there; a failure leaves no
// file.
void dfw_save(const char* path);
bool dfw_getErrorFlag();
const char* dfw_getErrorWhat();
