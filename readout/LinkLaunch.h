#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace q417 {

// Opening an address: the desktop's own opener first, then the command of the desktop's default
// handler for web pages. Results follow the launcher codes of the error table: above 32 means
// opened, anything else is a code whose text LinkErrorText gives.
inline constexpr int kLaunchSucceeded = 33;
inline constexpr int kErrorOutOfResources = 0;
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorAssociationIncomplete = 27;
inline constexpr int kErrorNoAssociation = 31;

// The fallback's command line is held to what the launcher's buffer took.
inline constexpr int kMaxCommandLine = 520;

// The text of the error table for code, or "Unknown Error (<code>) occurred.".
[[nodiscard]] QString LinkErrorText(int code);

// What a handler's Exec line makes of a target.
struct FallbackCommand {
    int error = 0;          // 0 when built, else kErrorAssociationIncomplete
    QString commandLine;    // the kept part of the Exec line, a blank and the target
    QStringList arguments;  // the program and its arguments; the target stays one argument
};

// Cuts handlerExec before its first placeholder (%u %U %f %F or %1), at the opening quote when
// the placeholder stands quoted, and appends a blank and target. Refuses a line longer than
// kMaxCommandLine, an unknown field code, an unbalanced quote or a line without a program.
[[nodiscard]] FallbackCommand FallbackCommandLine(const QString& handlerExec,
                                                  const QString& target);

// The Exec value of the [Desktop Entry] group of a desktop entry file, its escapes undone.
[[nodiscard]] std::optional<QString> DesktopEntryExec(const QByteArray& contents);

// The desktop operations LaunchTarget uses; tests put fakes in their place.
struct LaunchOps {
    std::function<bool(const QUrl&)> openUrl;
    // Desktop file name of the default handler of a mime type; empty when none is registered.
    std::function<QString(const QString& mimeType)> defaultHandler;
    // Contents of the named desktop entry; nothing when no such file is installed.
    std::function<std::optional<QByteArray>(const QString& desktopName)> readEntry;
    // Starts program detached; a launcher result code.
    std::function<int(const QString& program, const QStringList& arguments)> start;
};

// The operations of this desktop: QDesktopServices, xdg-mime, the XDG data dirs, QProcess.
[[nodiscard]] LaunchOps SystemLaunchOps();

// Starts program (a path, or a name looked up in PATH) detached: kErrorFileNotFound when it is
// not there, kErrorAccessDenied when it may not be run, kLaunchSucceeded once started.
[[nodiscard]] int StartProgram(const QString& program, const QStringList& arguments);

// Opens target; the result is above 32 on success, else the code of the first failure.
[[nodiscard]] int LaunchTarget(const QString& target, const LaunchOps& ops);

}  // namespace q417
