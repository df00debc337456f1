#include "base/zipcore/ZipFormat.h"

namespace zipcore {

std::string_view MethodName(std::uint16_t method) {
    switch (method) {
    case 0:
        return "stored";
    case 1:
        return "shrunk";
    case 2:
    case 3:
    case 4:
    case 5:
        return "reduced";
    case 6:
        return "imploded";
    case 7:
        return "tokenized";
    case 8:
        return "deflated";
    case 9:
        return "Deflate64";
    case 10:
        return "PKWARE DCL imploded";
    case 12:
        return "bzip2";
    case 14:
        return "LZMA";
    case 16:
        return "IBM z/OS CMPSC";
    case 18:
        return "IBM TERSE";
    case 19:
        return "IBM LZ77";
    case 20:
    case 93:
        return "Zstandard";
    case 94:
        return "MP3";
    case 95:
        return "XZ";
    case 96:
        return "JPEG";
    case 97:
        return "WavPack";
    case 98:
        return "PPMd";
    case 99:
        return "AES-encrypted";
    default:
        return "unknown";
    }
}

std::string QuoteName(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    out.push_back('"');
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(b < 0x20 || b == 0x7F ? '?' : c);
    }
    out.push_back('"');
    return out;
}

} // namespace zipcore
