#include "PromptExchange.h"

#include "OptionTable.h"

namespace PromptExchange {
namespace {

constexpr std::wstring_view kSwitch = L" /answer:";
constexpr std::wstring_view kQuestion = L"Enter M3U playlist filename:  (without ";
constexpr std::size_t kMaxKey = 48;

std::wstring Hex(unsigned long value) {
    constexpr wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value);
    return text;
}

bool EndsWith(std::wstring_view text, std::wstring_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

std::wstring Argument(std::wstring_view extension, std::wstring_view key) {
    std::wstring text(kQuestion);
    text.append(extension).append(L")").append(kSwitch).append(key);
    return text;
}

std::wstring MakeKey(unsigned long process, unsigned long thread, unsigned long counter) {
    return L"value-" + Hex(process) + L"-" + Hex(thread) + L"-" + Hex(counter);
}

bool IsKey(std::wstring_view key) {
    if (key.empty() || key.size() > kMaxKey) return false;
    for (wchar_t c : key)
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-'))
            return false;
    return true;
}

Request Parse(std::wstring_view argumentText) {
    Request request{std::wstring(OptionTable::kAnswerKey), L".m3u"};
    std::wstring_view question = argumentText;
    const std::size_t at = argumentText.rfind(kSwitch);
    if (at != std::wstring_view::npos && IsKey(argumentText.substr(at + kSwitch.size()))) {
        request.key = argumentText.substr(at + kSwitch.size());
        question = argumentText.substr(0, at);
    }
    if (EndsWith(question, L"(without .m3u8)")) request.extension = L".m3u8";
    return request;
}

}  // namespace PromptExchange
