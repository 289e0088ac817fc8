#pragma once
// Looking at a test world's disks after a clone.
#include <QString>
#include <QStringList>

class TestWorld;

namespace clonetest {

// Runs a Mac tool of the world quietly; its exit status.
int run(const QString& tool, const QStringList& args);
// The mount point of a mounted volume of `disk` whose files include `relative`.
QString volumeOnDiskHolding(const TestWorld& w, const QString& disk, const QString& relative);
// The BSD name of the Preboot volume of the APFS container on `disk`, or "".
QString prebootOf(const QString& disk);
// Whether the (unmounted) volume `preboot` holds the system's Cryptexes; it is
// mounted to look and unmounted again.
bool prebootHoldsCryptexes(const TestWorld& w, const QString& preboot);

}  // namespace clonetest
