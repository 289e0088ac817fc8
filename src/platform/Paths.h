#pragma once
// The system root and the two kinds of path.
//
// A Mac path names something of the simulated Mac ("/Volumes/Data", "/tmp/…",
// "/Users/…", the tools). It is what the product keeps, compares and shows, and
// it is mapped onto the host only when the file system is touched.
// A host path names the process's own things (its bundle, its temporary folder)
// and is never mapped.
#include <QProcessEnvironment>
#include <QString>

namespace platform {

// Absolute host path of the world's "/" (QDC_ROOT), or "" when running on a real
// Mac-like host (no world: Mac paths are host paths).
QString systemRoot();
bool inWorld();

// Mac path -> host path. Relative paths are returned unchanged.
QString hostPath(const QString& macPath);
// Host path -> Mac path, for paths that come from the desktop (a dropped file).
// A host path outside the world has no Mac path: returns "".
QString macPathFromHost(const QString& hostPath);

// Tool resolution: "/usr/sbin/diskutil" -> the world's stand-in. In a world a
// tool the world lacks resolves to its (missing) world path, so running it fails
// instead of running the host's tool on unmapped paths. "/bin/sh" and "/bin/bash"
// are the host's own shell.
QString toolPath(const QString& macToolPath);

// Environment for children: PATH finds the world's tools first (and only them
// for the product's tools), QDC_ROOT is passed on.
QProcessEnvironment toolEnvironment();

// NSTemporaryDirectory(): the process's own temporary folder (host path, ends
// without a slash). Per process, private (0700).
QString temporaryDirectory();

// For tests: forget cached answers (root, temporary folder) after QDC_ROOT changed.
void resetPathsForTesting();

}  // namespace platform
