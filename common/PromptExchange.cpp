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

std::wstring Argument(std::wstring_view extension, std::wstring_view key, std::wstring_view suggestion,
                      std::wstring_view folder) {
    std::wstring text(kQuestion);
    text.append(extension).append(L")");
    if (!suggestion.empty()) text.append(L" /name:\"").append(suggestion).append(L"\"");
    if (!folder.empty()) text.append(L" /folder:\"").append(folder).append(L"\"");
    text.append(kSwitch).append(key);
    return text;
}

std::wstring QuotedSwitch(std::wstring_view argumentText, std::wstring_view name) {
    const std::wstring opening = L" /" + std::wstring(name) + L":\"";
    const std::size_t at = argumentText.find(opening);
    if (at == std::wstring_view::npos) return {};
    const std::size_t start = at + opening.size();
    const std::size_t end = argumentText.find(L'"', start);
    if (end == std::wstring_view::npos) return {};
    return std::wstring(argumentText.substr(start, end - start));
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
    Request request{std::wstring(OptionTable::kAnswerKey), L".m3u", {}, {}};
    std::wstring_view question = argumentText;
    const std::size_t at = argumentText.rfind(kSwitch);
    if (at != std::wstring_view::npos && IsKey(argumentText.substr(at + kSwitch.size()))) {
        request.key = argumentText.substr(at + kSwitch.size());
        question = argumentText.substr(0, at);
    }
    request.suggestion = QuotedSwitch(question, L"name");
    request.folder = QuotedSwitch(question, L"folder");
    // The question ends where the switches begin.
    const std::size_t switches = question.find(L" /");
    if (switches != std::wstring_view::npos) question = question.substr(0, switches);
    if (EndsWith(question, L"(without .m3u8)")) request.extension = L".m3u8";
    return request;
}

}  // namespace PromptExchange
