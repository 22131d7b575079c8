#pragma once

#include <QString>

// Real file-system faults for tests run as root, who ignores permission bits: a private mount
// namespace in which small tmpfs folders can be mounted, filled up and made read-only. Must be
// entered before the process starts any thread (first thing in main).
namespace MountSandbox {

// Enters a mount namespace of this process's own; false where the system does not allow it.
bool enter();
bool isAvailable();

// A tmpfs of `bytes` at `folder` (which must exist).
bool mountTmpfs(const QString &folder, qint64 bytes);
bool remountReadOnly(const QString &folder);
// Lays `source` over `target` (both existing files), writable even where `target`'s folder is not.
bool bindFile(const QString &source, const QString &target);
bool unmount(const QString &folder);
// Writes filler files into a new folder under `folder` until the disk is full; returns that
// folder (remove it recursively to free the space).
QString fillUp(const QString &folder);

} // namespace MountSandbox
