// ConsoleExportUserInterface: one progress line on a terminal, redrawn when its status or its
// whole percentage changes.
#include "MeshAnimConverter/driver/ConsoleExportUserInterface.h"

#include <cstring>

#include "toolkit/ConsoleLine.h"
#include "toolkit/platform/Platform.h"

ConsoleExportUserInterface::ConsoleExportUserInterface(std::FILE* stream)
    : ConsoleExportUserInterface(stream, platform::IsTerminal(stream)) {}

ConsoleExportUserInterface::ConsoleExportUserInterface(std::FILE* stream, bool enabled)
    : m_stream(stream), m_enabled(enabled), m_start(std::chrono::steady_clock::now()) {
    if (m_enabled) {
        ConsoleLine::Register(&ClearLine, this);
    }
}

ConsoleExportUserInterface::~ConsoleExportUserInterface() {
    Finish();
}

void ConsoleExportUserInterface::Finish() {
    if (!m_enabled) {
        return;
    }
    ConsoleLine::Register(nullptr, nullptr);
    const std::lock_guard<std::mutex> lock(m_lock);
    Erase();
    m_enabled = false;
}

void ConsoleExportUserInterface::ClearLine(void* self) {
    auto* ui = static_cast<ConsoleExportUserInterface*>(self);
    const std::lock_guard<std::mutex> lock(ui->m_lock);
    ui->Erase();
}

void ConsoleExportUserInterface::ShowStatus(const char* text) {
    const std::lock_guard<std::mutex> lock(m_lock);
    if (!m_enabled) {
        return;
    }
    m_status = text != nullptr ? text : "";
    m_percent = -1;
    Draw();
}

void ConsoleExportUserInterface::ShowProgress(float fraction) {
    const std::lock_guard<std::mutex> lock(m_lock);
    if (!m_enabled) {
        return;
    }
    const float clamped = fraction < 0.0f ? 0.0f : fraction > 1.0f ? 1.0f : fraction;
    const int percent = static_cast<int>(clamped * 100.0f);
    if (percent == m_percent && m_drawnLength > 0) {
        return;
    }
    m_percent = percent;
    Draw();
}

bool ConsoleExportUserInterface::Ask(const char* text, int yesNo, int flags) {
    (void)text;
    (void)yesNo;
    (void)flags;
    return false;
}

void ConsoleExportUserInterface::Draw() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    char line[512];
    if (m_percent >= 0) {
        std::snprintf(line, sizeof line, "%s  %3d%%  %.1f s", m_status.c_str(), m_percent, seconds);
    } else {
        std::snprintf(line, sizeof line, "%s  %.1f s", m_status.c_str(), seconds);
    }
    // plain characters only: spaces cover what a longer earlier line left
    const size_t length = std::strlen(line);
    std::fprintf(m_stream, "\r%s", line);
    for (size_t i = length; i < m_drawnLength; ++i) {
        std::fputc(' ', m_stream);
    }
    if (length < m_drawnLength) {
        std::fprintf(m_stream, "\r%s", line);
    }
    std::fflush(m_stream);
    m_drawnLength = length;
}

void ConsoleExportUserInterface::Erase() {
    if (m_drawnLength == 0) {
        return;
    }
    std::fputc('\r', m_stream);
    for (size_t i = 0; i < m_drawnLength; ++i) {
        std::fputc(' ', m_stream);
    }
    std::fputc('\r', m_stream);
    std::fflush(m_stream);
    m_drawnLength = 0;
}
