/* The engines' header as a C caller compiles it: its layout checks run in C too, and the
 * sizes C sees are handed to the C++ test that compares them with the program's own view. */
#include "base/KelvoraEngines.h"

size_t KelvoraEnginesSizeInC(int which) {
    switch (which) {
    case 0: return sizeof(KZipParams);
    case 1: return sizeof(KUnzParams);
    case 2: return sizeof(KCallbackData);
    case 3: return offsetof(KZipParams, ArchiveName);
    case 4: return offsetof(KUnzParams, ArchiveName);
    default: return offsetof(KCallbackData, MessageText);
    }
}
