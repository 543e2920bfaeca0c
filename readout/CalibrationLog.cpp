#include "CalibrationLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "FileAppend.h"
#include "LocalTime.h"

namespace q417 {

namespace {

// The path without "." and ".." steps and without a closing slash.
std::filesystem::path Normal(const std::filesystem::path& path) {
    std::filesystem::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path()) {
        normal = normal.parent_path();
    }
    return normal;
}

}  // namespace

std::string CalibrationFolder(const std::string& name, const std::string& workingDirectory) {
    const std::filesystem::path working = Normal(workingDirectory);
    if (name.empty()) {
        return working.string();
    }
    // "/" replaces the working directory when name is absolute.
    const std::filesystem::path file = (working / name).lexically_normal();
    const std::filesystem::path folder = Normal(file.has_filename() ? file.parent_path() : file);
    return folder.empty() ? working.string() : folder.string();
}

std::string CalibrationFieldText(const std::string& path, const std::string& workingDirectory) {
    const std::filesystem::path file = Normal(path);
    if (file.has_filename() && Normal(file.parent_path()) == Normal(workingDirectory)) {
        return file.filename().string();
    }
    return file.string();
}

std::string CalibrationTimeStamp(std::int64_t calendarSeconds) {
    const std::optional<std::tm> fields = LocalTime::FromCalendar(calendarSeconds);
    if (!fields) {
        return {};
    }
    const std::tm& local = *fields;
    char text[32];
    std::snprintf(text, sizeof text, "%.2d:%.2d ON %.2d/%.2d/%.2d", local.tm_hour, local.tm_min,
                  local.tm_mday, local.tm_mon + 1, (local.tm_year + 1900) % 100);
    return text;
}

std::string CalibrationSignalText(const std::string& signal) {
    const std::string text = signal + " Volts";
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
}

bool AppendCalibrationPoint(const std::string& path, const CalibrationPoint& point) {
    // A file that can already be written to has its header.
    bool header = true;
    if (const int probe = ::open(path.c_str(), O_WRONLY | O_CLOEXEC); probe >= 0) {
        header = false;
        ::close(probe);
    }
    FileAppend file(path, FileAppend::Access::WriteOnly);
    if (file.OpenError() != 0) {
        return false;
    }
    std::string text;
    if (header) {
        text += kCalibrationHeader;
        text += "\r\n";
    }
    text += point.timeStamp + ',' + point.reference + ',' + point.pressure + ',' +
            point.temperature + "\r\n";
    // A half line would spoil the file for whoever reads it next: all of it or nothing.
    const bool written = file.Commit(text).Ok();
    if (!written && header && file.OldSize() == 0) {
        // Created here: without it, the next save writes the header again.
        ::unlink(path.c_str());
    }
    return written;
}

}  // namespace q417
