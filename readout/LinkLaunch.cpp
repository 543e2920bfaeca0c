#include "LinkLaunch.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <array>
#include <utility>

namespace q417 {

namespace {

constexpr std::array<std::pair<int, const char*>, 13> kErrorTexts = {{
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30,
     "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
     "processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
}};

// A %-sequence of an Exec line.
enum class CodeKind {
    Percent,      // "%%": a literal percent sign
    Placeholder,  // where the target goes: %u %U %f %F, and %1 of older handlers
    Dropped,      // expands to nothing here: icon, name, desktop file, and the deprecated ones
    Invalid,      // not a field code: the line must not be run
};

struct FieldCode {
    qsizetype pos = 0;
    CodeKind kind = CodeKind::Invalid;
};

[[nodiscard]] CodeKind KindOf(QChar c) {
    switch (c.unicode()) {
        case '%':
            return CodeKind::Percent;
        case 'u':
        case 'U':
        case 'f':
        case 'F':
        case '1':
            return CodeKind::Placeholder;
        case 'i':
        case 'c':
        case 'k':
        case 'd':
        case 'D':
        case 'n':
        case 'N':
        case 'v':
        case 'm':
            return CodeKind::Dropped;
        default:
            return CodeKind::Invalid;
    }
}

// Every code is two characters; a lone '%' at the end is an invalid one.
[[nodiscard]] QList<FieldCode> FieldCodes(const QString& text) {
    QList<FieldCode> codes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%')) {
            codes.append({i, i + 1 < text.size() ? KindOf(text[i + 1]) : CodeKind::Invalid});
            ++i;
        }
    }
    return codes;
}

[[nodiscard]] bool QuotesBalanced(const QString& text) {
    int quotes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('"') && (i == 0 || text[i - 1] != QLatin1Char('\\'))) {
            ++quotes;
        }
    }
    return quotes % 2 == 0;
}

[[nodiscard]] QString Unescaped(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
            case 's':
                out += QLatin1Char(' ');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case '\\':
                out += QLatin1Char('\\');
                break;
            default:  // the quoting escapes of Exec belong to the next level: kept
                out += QLatin1Char('\\');
                out += next;
        }
    }
    return out;
}

[[nodiscard]] QString DefaultHandler(const QString& mimeType) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0) {
        query.kill();
        return {};
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

[[nodiscard]] std::optional<QByteArray> ReadEntry(const QString& desktopName) {
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopName);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

}  // namespace

QString LinkErrorText(int code) {
    for (const auto& [known, text] : kErrorTexts) {
        if (known == code) {
            return QString::fromLatin1(text);
        }
    }
    return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
}

FallbackCommand FallbackCommandLine(const QString& handlerExec, const QString& target) {
    FallbackCommand command;
    const QList<FieldCode> codes = FieldCodes(handlerExec);
    auto quoted = [&](qsizetype pos) {
        return pos > 0 && handlerExec[pos - 1] == QLatin1Char('"') &&
               pos + 2 < handlerExec.size() && handlerExec[pos + 2] == QLatin1Char('"');
    };
    qsizetype cut = -1;
    for (const FieldCode& code : codes) {
        if (code.kind == CodeKind::Placeholder && quoted(code.pos)) {
            cut = code.pos - 1;
            break;
        }
    }
    if (cut < 0) {
        for (const FieldCode& code : codes) {
            if (code.kind == CodeKind::Placeholder) {
                cut = code.pos;
                break;
            }
        }
    }
    if (cut < 0) {
        cut = handlerExec.size();
    }

    // Codes before the cut would reach the program literally: "%%" becomes '%', the rest go.
    QString kept;
    qsizetype from = 0;
    for (const FieldCode& code : codes) {
        if (code.pos >= cut) {
            break;
        }
        if (code.kind == CodeKind::Invalid) {
            command.error = kErrorAssociationIncomplete;
            return command;
        }
        kept += handlerExec.mid(from, code.pos - from);
        if (code.kind == CodeKind::Percent) {
            kept += QLatin1Char('%');
        }
        from = code.pos + 2;
    }
    kept += handlerExec.mid(from, cut - from);

    command.commandLine = kept + QLatin1Char(' ') + target;
    command.arguments = QProcess::splitCommand(kept);
    // A cut command line would run something else than what was registered: refuse it.
    if (command.commandLine.size() > kMaxCommandLine || !QuotesBalanced(kept) ||
        command.arguments.isEmpty()) {
        command.error = kErrorAssociationIncomplete;
        command.arguments.clear();
        return command;
    }
    command.arguments.append(target);
    return command;
}

std::optional<QString> DesktopEntryExec(const QByteArray& contents) {
    bool inEntry = false;
    for (const QByteArray& raw : contents.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inEntry || line.startsWith('#') || equals < 0 ||
            line.left(equals).trimmed() != "Exec") {
            continue;
        }
        // Desktop entries are UTF-8 by their own format, whatever the locale.
        return Unescaped(QString::fromUtf8(line.mid(equals + 1).trimmed()));
    }
    return std::nullopt;
}

LaunchOps SystemLaunchOps() {
    return {[](const QUrl& url) { return QDesktopServices::openUrl(url); }, DefaultHandler,
            ReadEntry, StartProgram};
}

int StartProgram(const QString& program, const QStringList& arguments) {
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return kErrorFileNotFound;
    }
    if (info.isDir() || !info.isExecutable()) {
        return kErrorAccessDenied;
    }
    return QProcess::startDetached(path, arguments) ? kLaunchSucceeded : kErrorOutOfResources;
}

int LaunchTarget(const QString& target, const LaunchOps& ops) {
    if (ops.openUrl(QUrl::fromUserInput(target))) {
        return kLaunchSucceeded;
    }
    QString handler;
    for (const QString& mimeType :
         {QStringLiteral("x-scheme-handler/https"), QStringLiteral("text/html")}) {
        handler = ops.defaultHandler(mimeType);
        if (!handler.isEmpty()) {
            break;
        }
    }
    if (handler.isEmpty()) {
        return kErrorNoAssociation;
    }
    const std::optional<QByteArray> entry = ops.readEntry(handler);
    if (!entry) {
        return kErrorFileNotFound;
    }
    const std::optional<QString> exec = DesktopEntryExec(*entry);
    if (!exec) {
        return kErrorAssociationIncomplete;
    }
    const FallbackCommand command = FallbackCommandLine(*exec, target);
    if (command.error != 0) {
        return command.error;
    }
    return ops.start(command.arguments.first(), command.arguments.mid(1));
}

}  // namespace q417
