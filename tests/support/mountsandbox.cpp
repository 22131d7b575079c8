#include "support/mountsandbox.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace MountSandbox {

namespace {
bool entered = false;

QByteArray native(const QString &path) { return QFile::encodeName(path); }
} // namespace

bool enter()
{
    if (unshare(CLONE_NEWNS) != 0)
        return false;
    // Mounts made here must not reach the rest of the system.
    entered = mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return entered;
}

bool isAvailable() { return entered; }

bool mountTmpfs(const QString &folder, qint64 bytes)
{
    const QByteArray options = "size=" + QByteArray::number(bytes);
    return mount("pratilio-test", native(folder).constData(), "tmpfs", 0, options.constData()) == 0;
}

bool remountReadOnly(const QString &folder)
{
    return mount(nullptr, native(folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

bool bindFile(const QString &source, const QString &target)
{
    return mount(native(source).constData(), native(target).constData(), nullptr, MS_BIND, nullptr) == 0;
}

bool unmount(const QString &folder) { return umount2(native(folder).constData(), MNT_DETACH) == 0; }

QString fillUp(const QString &folder)
{
    const QString filler = QDir(folder).filePath(QStringLiteral("filler"));
    QDir().mkpath(filler);
    static const QByteArray block(4096, 'x');
    // One big file, then small ones until not even one byte fits in a new page.
    for (int n = 0; n < 256; ++n) {
        const QByteArray path = native(QDir(filler).filePath(QString::number(n)));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            break;
        qint64 written = 0;
        while (::write(fd, block.constData(), size_t(block.size())) > 0)
            written += block.size();
        while (::write(fd, "x", 1) > 0)
            ++written;
        ::close(fd);
        if (written == 0 && n > 0)
            break;
    }
    return filler;
}

} // namespace MountSandbox
