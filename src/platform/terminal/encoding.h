#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace platform {

// Converts the game's UTF-8 output into the character set of the user's
// locale, such as GBK in zh_CN.GBK. UTF-8 and plain ASCII locales get UTF-8
// unchanged: most terminals started under the C locale still speak UTF-8.
class OutputEncoding {
public:
    // `codeset` as nl_langinfo(CODESET) names it.
    explicit OutputEncoding(const std::string& codeset);
    ~OutputEncoding();
    OutputEncoding(const OutputEncoding&) = delete;
    OutputEncoding& operator=(const OutputEncoding&) = delete;

    // The codeset of the locale the environment asks for.
    static std::string LocaleCodeset();

    bool converts() const { return converter_ != kNone; }
    // A character the codeset lacks turns into "?".
    std::string Convert(std::string_view utf8) const;

private:
    // iconv_open's failure value, which only a cast can spell.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
    iconv_t converter_ = kNone;
};

}  // namespace platform
