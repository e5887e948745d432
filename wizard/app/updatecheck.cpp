#include "updatecheck.h"

#include "wizardapp.h"

#include <limno/limno.h>
#include <platform/ui.h>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace wizard {

UpdateInfo parseUpdateReply(const char* reply, size_t length) {
    const std::string_view text(reply, length);
    constexpr std::string_view kMarker = "[YES]";
    const size_t at = text.find(kMarker);
    if (at == std::string_view::npos || at >= 4000) return {UpdateStatus::NoUpdate, {}};
    const std::string_view rest = text.substr(at + kMarker.size());
    const std::string_view version = rest.substr(0, std::min<size_t>(rest.find(']'), 255));
    return {UpdateStatus::Found, std::string(version)};
}

UpdateInfo fetchUpdate(const std::string& host, uint32_t timeoutMs) {
    cLIMNO_SOCKET socket;
    socket.connectTimeoutMs = timeoutMs;
    socket.receiveTimeoutMs = timeoutMs;
    if (socket.Init(host.c_str()) != LIMNO_OK) {
        socket.Unlink();
        return {UpdateStatus::NoConnection, {}};
    }
    // Only the first 4000 bytes are searched, so a reply cut to fit the buffer serves; one the
    // server broke off may have lost the very version it was sending.
    std::vector<char> reply(16384);
    const uint32_t status = socket.GetData(reply.data(), uint32_t(reply.size()), kUpdatePath, LIMNO_METHOD_GET);
    const bool whole = status == LIMNO_OK || socket.truncated;
    const uint32_t received = std::min<uint32_t>(socket.received, uint32_t(reply.size() - 1));
    socket.Unlink();
    if (received == 0) return {UpdateStatus::NoReply, {}};
    if (!whole) return {UpdateStatus::Incomplete, {}};
    return parseUpdateReply(reply.data(), received);
}

namespace {

struct Notice {
    const char* text;
    const char* caption;
    UINT type;
};

// The box of every outcome but Found, which offers the update.
Notice noticeFor(UpdateStatus status) {
    switch (status) {
    case UpdateStatus::NoConnection:
        return {"Не удалось установить соединение с сервером!\nПроверьте соединение с Интернетом!", "Сообщение",
                MB_OK | MB_ICONWARNING};
    case UpdateStatus::NoReply: return {"Ошибка получения ответа от сервера!", "Ошибка", MB_OK | MB_ICONERROR};
    case UpdateStatus::Incomplete:
        return {"Ответ сервера получен не полностью!\nСоединение прервано или истекло время ожидания.", "Ошибка",
                MB_OK | MB_ICONERROR};
    default: return {"Обнавлений не найдено!", "Сообщение", MB_OK | MB_ICONINFORMATION};
    }
}

}  // namespace

void reportUpdate(const UpdateInfo& info, bool withMessages, const std::string& host) {
    if (info.status != UpdateStatus::Found) {
        const Notice notice = noticeFor(info.status);
        if (withMessages) MessageBoxA(nullptr, notice.text, notice.caption, notice.type);
        return;
    }
    std::vector<char> text(info.version.size() + 128);
    std::snprintf(text.data(), text.size(), "Найдено обновление!\n\nВерсия: %s\n\nПерейти на сайт программы?",
                  info.version.c_str());
    if (MessageBoxA(nullptr, text.data(), "Сообщение", MB_YESNO | MB_ICONINFORMATION) == IDYES)
        platform::shellOpen(siteAddress(host, kSitePath));
}

}  // namespace wizard
