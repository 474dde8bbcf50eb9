#include "ui/openplan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace velk {

namespace {

bool startable(const QFileInfo& info) {
    if (!info.isFile() || !info.isExecutable()) return false;
    QFile f(info.absoluteFilePath());
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(4);
    return head.startsWith("#!") || head == QByteArray("\x7f"
                                                       "ELF");
}

openplan programplan(const QString& path, const QString& params, const QString& dir) {
    openplan plan;
    plan.what = openplan::kind::program;
    plan.program = path;
    plan.args = QProcess::splitCommand(params);
    if (!dir.isEmpty() && QFileInfo(dir).isDir()) plan.workdir = QDir::cleanPath(dir);
    return plan;
}

openplan localplan(const QFileInfo& info, const QString& params, const QString& dir) {
    if (startable(info)) return programplan(info.absoluteFilePath(), params, dir);
    openplan plan;
    plan.what = openplan::kind::document;
    plan.url = QUrl::fromLocalFile(info.absoluteFilePath());
    return plan;
}

bool looksaddress(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

} // namespace

QString unquoted(const QString& text) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('"'))) {
        t.remove(0, 1);
        if (t.endsWith(QLatin1Char('"'))) t.chop(1);
    }
    return t.trimmed();
}

openplan planopen(const QString& file, const QString& params, const QString& dir) {
    const QString target = unquoted(file);
    const QString workdir = unquoted(dir);
    const QString args = params.trimmed();
    if (target.isEmpty()) return {};

    if (!target.contains(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(target);
        if (!found.isEmpty()) return programplan(found, args, workdir);
    }
    const QFileInfo local(target);
    if (local.exists()) return localplan(local, args, workdir);

    // A web host written without its scheme, as people type it into a browser.
    const bool webhost = target.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
    if (looksaddress(target) || webhost) {
        const QUrl url(webhost ? QLatin1String("http://") + target : target, QUrl::TolerantMode);
        if (!url.isValid()) return {};
        if (url.isLocalFile()) {
            const QFileInfo named(url.toLocalFile());
            return named.exists() ? localplan(named, args, workdir) : openplan{};
        }
        openplan plan;
        plan.what = openplan::kind::url;
        plan.url = url;
        return plan;
    }
    return {};
}

qsizetype firstopenable(const QStringList& files) {
    for (qsizetype i = 0; i < files.size(); ++i)
        if (planopen(files[i], QString(), QString()).what != openplan::kind::none) return i;
    return files.size();
}

} // namespace velk
