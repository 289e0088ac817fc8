// Lays out the bundles' resources from the source tree:
//   resources/strings/<area>/<code>.plist  -> Resources/<code>.lproj/Localizable.strings (merged)
//   resources/images/<area>/<name>.svg|png -> Resources/<name>.svg|png
//   resources/PrivateData.plist, SystemFile.plist -> Resources/
//   resources/Info.plist, resources/NfrLoader-Info.plist -> Contents/Info.plist of each bundle
// A key or image defined twice is an error: two areas would silently fight.
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <cstdio>

static int fail(const QString& message) {
  std::fprintf(stderr, "qdc-bundle-resources: %s\n", qPrintable(message));
  return 1;
}

static bool copyReplacing(const QString& from, const QString& to) {
  QFile::remove(to);
  return QFile::copy(from, to);
}

int main(int argc, char** argv) {
  if (argc != 4) return fail("usage: qdc-bundle-resources RESOURCES_DIR APP_BUNDLE LAUNCHER_BUNDLE");
  const QString src = QString::fromLocal8Bit(argv[1]);
  const QString app = QString::fromLocal8Bit(argv[2]);
  const QString launcher = QString::fromLocal8Bit(argv[3]);
  const QString res = app + "/Contents/Resources";
  QDir().mkpath(res);
  QDir().mkpath(app + "/Contents/MacOS");
  QDir().mkpath(launcher + "/Contents/MacOS");
  QDir().mkpath(launcher + "/Contents/Resources");

  if (!copyReplacing(src + "/Info.plist", app + "/Contents/Info.plist") ||
      !copyReplacing(src + "/NfrLoader-Info.plist", launcher + "/Contents/Info.plist"))
    return fail("cannot write the bundles' Info.plist");
  for (const char* name : {"PrivateData.plist", "SystemFile.plist"})
    if (!copyReplacing(src + "/" + name, res + "/" + name)) return fail(QString("cannot copy ") + name);

  // String tables.
  QMap<QString, QVariantMap> tables;   // code -> merged table
  QMap<QString, QString> origin;       // code/key -> fragment that defined it
  QDirIterator strings(src + "/strings", {"*.plist"}, QDir::Files, QDirIterator::Subdirectories);
  while (strings.hasNext()) {
    const QString file = strings.next();
    const QString code = QFileInfo(file).completeBaseName();
    auto dict = plist::readDictionary(file);
    if (!dict) return fail(file + " is not a property-list dictionary");
    for (auto it = dict->cbegin(); it != dict->cend(); ++it) {
      const QString id = code + "/" + it.key();
      if (origin.contains(id))
        return fail("key \"" + it.key() + "\" of " + code + " defined in " + origin[id] + " and " + file);
      origin.insert(id, file);
      tables[code].insert(it.key(), it.value());
    }
  }
  for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
    const QString folder = res + "/" + it.key() + ".lproj";
    QDir().mkpath(folder);
    if (!plist::writeFile(folder + "/Localizable.strings", it.value()))
      return fail("cannot write " + folder + "/Localizable.strings");
  }

  // Images, flattened by name.
  QMap<QString, QString> images;
  QDirIterator imageFiles(src + "/images", {"*.svg", "*.png"}, QDir::Files, QDirIterator::Subdirectories);
  while (imageFiles.hasNext()) {
    const QString file = imageFiles.next();
    const QString name = QFileInfo(file).fileName();
    if (images.contains(name)) return fail("image " + name + " found in " + images[name] + " and " + file);
    images.insert(name, file);
    if (!copyReplacing(file, res + "/" + name)) return fail("cannot copy " + file);
  }
  return 0;
}
