#include "platform/terminal/encoding.h"

#include <langinfo.h>

#include <cerrno>
#include <clocale>

#include "platform/terminal/key_decoder.h"
#include "platform/text.h"

namespace platform {

OutputEncoding::OutputEncoding(const std::string& codeset) {
    if (CharsetOf(codeset) != Charset::kUtf8) converter_ = ::iconv_open(codeset.c_str(), "UTF-8");
}

OutputEncoding::~OutputEncoding() {
    if (converts()) ::iconv_close(converter_);
}

std::string OutputEncoding::LocaleCodeset() {
    std::setlocale(LC_CTYPE, "");
    return ::nl_langinfo(CODESET);
}

std::string OutputEncoding::Convert(std::string_view utf8) const {
    if (!converts()) return std::string(utf8);
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* at = out.data();
    std::size_t out_left = out.size();
    const auto grow = [&] {
        const std::size_t used = static_cast<std::size_t>(at - out.data());
        out.resize(out.size() * 2);
        at = out.data() + used;
        out_left = out.size() - used;
    };
    while (in_left > 0) {
        if (::iconv(converter_, &in, &in_left, &at, &out_left) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            grow();
            continue;
        }
        // Unconvertible or malformed: skip one character, show "?".
        const std::size_t skip = DecodeUtf8(std::string_view(in, in_left)).length;
        in += skip;
        in_left -= skip;
        if (out_left == 0) grow();
        *at++ = '?';
        --out_left;
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

}  // namespace platform
