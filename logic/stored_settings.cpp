// The lock's reading of its three settings, value by value.
#include "stored_settings.h"

#include "text_services.h"
#include "texts.h"

namespace torvelt {

bool passwordStored(const SettingReader& read) {
    return !read(texts::kKeyPassword, "").empty();
}

std::int16_t storedMaxFehler(const SettingReader& read) {
    return textToInt16(read(texts::kKeyMaxFehler, texts::kDefaultMaxFehler));
}

std::int16_t storedTimeOut(const SettingReader& read) {
    return textToInt16(read(texts::kKeyTimeOut, texts::kDefaultTimeOut));
}

}  // namespace torvelt
