#include "world/lib/Create.h"

#include "platform/plist/PropertyList.h"
#include "world/lib/Build.h"
#include "world/lib/Disks.h"
#include "world/lib/Flags.h"
#include "world/lib/ImageFile.h"
#include "world/lib/Layout.h"
#include "world/lib/Tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QVariantMap>

#include <unistd.h>

namespace world {

namespace {

bool put(const QString& hostPath, const QByteArray& data) {
  QDir().mkpath(QFileInfo(hostPath).absolutePath());
  QFile f(hostPath);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(data) == data.size();
}

bool putRandom(const QString& hostPath, qint64 size, quint32 seed) {
  QRandomGenerator gen(seed);
  QByteArray data(size, Qt::Uninitialized);
  for (qint64 i = 0; i < size; i += 4) {
    const quint32 v = gen.generate();
    for (int k = 0; k < 4 && i + k < size; ++k) data[i + k] = char((v >> (8 * k)) & 0xff);
  }
  return put(hostPath, data);
}

bool putPlist(const QString& hostPath, const QVariantMap& value) {
  QDir().mkpath(QFileInfo(hostPath).absolutePath());
  return plist::writeFile(hostPath, value);
}

void link(const QString& target, const QString& at) {
  QFile::remove(at);
  QDir().rmdir(at);
  ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData());
}

// An application bundle with an Info.plist (and an executable file).
void makeApp(const QString& hostApp, const QString& identifier, const QString& name, const QString& version,
             qint64 payload, quint32 seed) {
  const QString exe = name;
  putPlist(hostApp + "/Contents/Info.plist",
                   QVariantMap{{"CFBundleIdentifier", identifier},
                               {"CFBundleName", name},
                               {"CFBundleDisplayName", name},
                               {"CFBundleExecutable", exe},
                               {"CFBundlePackageType", "APPL"},
                               {"CFBundleShortVersionString", version},
                               {"CFBundleVersion", version}});
  put(hostApp + "/Contents/MacOS/" + exe, "#!/bin/sh\nexit 0\n");
  QFile(hostApp + "/Contents/MacOS/" + exe)
      .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                      QFile::ExeOther);
  put(hostApp + "/Contents/PkgInfo", "APPL????");
  if (payload > 0) putRandom(hostApp + "/Contents/SharedSupport/SharedSupport.dmg", payload, seed);
}

void makeInstaller(const QString& hostApp, const QString& release, const QString& identifier,
                   const QString& version, quint32 seed) {
  makeApp(hostApp, identifier, "Install macOS " + release, version, 1500000, seed);
  put(hostApp + "/Contents/Resources/en.lproj/InfoPlist.strings", "\"CFBundleName\" = \"Install macOS " +
                                                                     release.toUtf8() + "\";\n");
  putRandom(hostApp + "/Contents/Resources/BaseSystem.chunklist", 20000, seed + 1);
}

void writeHome(const QString& home, const Layout& layout, const QString& user) {
  put(home + "/.zshrc", "export PATH=/usr/local/bin:$PATH\n");
  put(home + "/Desktop/todo.txt", "- back up the photos\n- make an installer stick\n");
  putRandom(home + "/Desktop/Screenshot 2024-03-01 at 10.15.22.png", 300000, 11);
  put(home + "/Desktop/.localized", "");
  put(home + "/Desktop/Secret Folder/plan.txt", "nothing to see\n");
  putRandom(home + "/Documents/Report 2023.pdf", 120000, 12);
  put(home + "/Documents/Notes — été.txt", QString("Réunion à 10 h, café après.\n").toUtf8());
  putRandom(home + "/Documents/Budget \"final\".xlsx", 45000, 13);
  put(home + "/Documents/Project's plan.txt", "step 1\nstep 2\n");
  put(home + "/Documents/Empty.txt", "");
  put(home + "/Documents/one-byte.bin", "x");
  put(home + "/Documents/Projects/Website/index.html", "<html><body>Hello</body></html>\n");
  put(home + "/Documents/Projects/Website/css/style.css", "body { margin: 0; }\n");
  put(home + "/Documents/Projects/App/src/main.cpp", "int main() { return 0; }\n");
  put(home + "/Documents/Archive/2019/January/Week 1/log.txt", "archived\n");
  put(home + "/Documents/Old Stuff/old.txt", "old\n");
  putRandom(home + "/Pictures/Holiday 2023/IMG_0001.jpg", 2000000, 14);
  putRandom(home + "/Pictures/Holiday 2023/IMG_0002.jpg", 1500000, 15);
  putRandom(home + "/Pictures/Café de Flore.png", 500000, 16);
  putRandom(home + "/Music/Song – remix.mp3", 1000000, 17);
  QDir().mkpath(home + "/Movies");
  QDir().mkpath(home + "/Library/Application Support");
  putPlist(home + "/Library/Safari/Bookmarks.plist", QVariantMap{{"Title", "Bookmarks"}});
  putRandom(home + "/Library/Safari/History.db", 8192, 18);
  QDir().mkpath(home + "/.Trash");
  const QString mac = "/Users/" + user;
  setHiddenFlag(layout, mac + "/Desktop/Secret Folder", true);
  setExtendedAttribute(layout, mac + "/Documents/Old Stuff", kFinderInfoAttribute, QByteArray(32, '\0'));
}

}  // namespace

void writeSampleTree(const QString& dir, const QString& flavour) {
  if (flavour == "data") {
    putRandom(dir + "/Movies/Trailer.mov", 2500000, 21);
    put(dir + "/Shared Docs/Zoë's résumé.docx", "résumé\n");
    put(dir + "/Shared Docs/Meeting $(date) `notes`.txt", "literal name\n");
    put(dir + "/Backups/2024-01-01/manifest.txt", "3 files\n");
    putRandom(dir + "/Backups/2024-01-01/photos.tar", 700000, 22);
    QDir().mkpath(dir + "/Empty Folder");
  } else if (flavour == "usb") {
    put(dir + "/readme.txt", "USB stick\n");
    putRandom(dir + "/Photos/IMG_1001.JPG", 400000, 31);
    putRandom(dir + "/Photos/IMG_1002.JPG", 350000, 32);
  } else if (flavour == "ntfs") {
    putRandom(dir + "/Documents/Tax 2022.pdf", 90000, 41);
    put(dir + "/System Volume Information/IndexerVolumeGuid", "{guid}\n");
  } else if (flavour == "sd") {
    putRandom(dir + "/DCIM/100CANON/IMG_0001.JPG", 600000, 51);
    putRandom(dir + "/DCIM/100CANON/IMG_0002.JPG", 650000, 52);
    put(dir + "/MISC/AUTPRINT.MRK", "[HDR]\n");
  } else if (flavour == "image") {
    put(dir + "/ReadMe.txt", "Read me first.\n");
    putRandom(dir + "/Payload/data.bin", 100000, 61);
  }
}

bool createWorld(const QString& worldDir, const CreateOptions& options, QString* error) {
  QDir().mkpath(worldDir);
  Layout layout{QDir(worldDir).absolutePath()};
  if (QFileInfo::exists(layout.disksFile())) {
    if (error) *error = "a world already exists in " + layout.dir;
    return false;
  }
  const QString r = layout.root();
  const QString user = options.consoleUser;
  const QStringList folders = {
      "System/Library/CoreServices", "System/Library/Kernels", "System/Applications/Utilities",
      "System/Volumes", "Applications", "Library/Preferences", "Library/Application Support",
      "Users/" + user + "/Library/Preferences", "Users/" + user + "/Desktop",
      "Users/" + user + "/Documents", "Users/" + user + "/Downloads", "Users/Shared",
      "private/var/root/Library/Preferences", "private/var/root/Library/Safari",
      "private/var/folders/zz/zyxvpxvq6csfxvn_n0000000000000/T", "private/tmp", "private/etc",
      "Volumes", "usr/bin", "usr/sbin", "usr/lib", "bin", "sbin", "dev", "cores"};
  for (const QString& f : folders) {
    if (!QDir().mkpath(r + "/" + f)) {
      if (error) *error = "cannot create " + r + "/" + f;
      return false;
    }
  }
  // The short names lead into /private, as on a Mac.
  link("private/tmp", r + "/tmp");
  link("private/etc", r + "/etc");
  link("private/var", r + "/var");
  QDir().mkpath(layout.state());
  QDir().mkpath(layout.runningDir());
  QDir().mkpath(layout.powerDir());
  QDir().mkpath(layout.volumesStore());
  plist::writeFile(r + "/System/Library/CoreServices/SystemVersion.plist",
                   QVariantMap{{"ProductName", "macOS"},
                               {"ProductVersion", options.productVersion},
                               {"ProductBuildVersion", "22F66"}});
  plist::writeFile(r + "/Library/Preferences/.GlobalPreferences.plist",
                   QVariantMap{{"AppleLanguages", options.preferredLanguages}});
  putRandom(r + "/System/Library/Kernels/kernel", 300000, 1);
  putRandom(r + "/System/Library/CoreServices/boot.efi", 60000, 2);
  put(r + "/private/etc/hosts", "127.0.0.1 localhost\n");
  writeKnob(layout, knob::kConsoleUser, user);
  writeKnob(layout, knob::kCpuBrand, options.cpuBrand);
  writeKnob(layout, knob::kFullDiskAccess, true);
  writeKnob(layout, knob::kAuthorization, "grant");
  writeKnob(layout, knob::kProcesses, QStringList{"mds_stores", "Finder", "Dock", "SystemUIServer"});

  QString err;
  const bool built = DiskDatabase(layout).modify([&](DiskDatabase& db) {
    db.media().clear();
    DiskSpec ssd{"PCI-Express", true, false, false, true, false, true, "APPLE SSD AP0512Q", 500277790720};
    QString disk0 = addDisk(db, ssd, "GUID_partition_scheme", {}, &err);
    if (disk0.isEmpty()) return false;
    // The APFS container takes the whole disk after the EFI partition.
    Media part;
    part.id = db.nextSliceId(disk0);
    part.kind = MediaKind::Partition;
    part.parent = disk0;
    part.size = ssd.size - kEfiSize - 1048576;
    part.content = "Apple_APFS";
    part.uuid = newUuid();
    db.media() << part;
    const QString c = addContainer(
        db, part.id,
        {VolumeSpec{"APFS", "Macintosh HD", true, true, "/", "System"},
         VolumeSpec{"APFS", "Macintosh HD - Data", true, false, "/System/Volumes/Data", "Data"},
         VolumeSpec{"APFS", "Preboot", true, false, "/System/Volumes/Preboot", "Preboot"},
         VolumeSpec{"APFS", "Recovery", false, false, "", "Recovery"},
         VolumeSpec{"APFS", "VM", true, false, "/System/Volumes/VM", "VM"}},
        &err);
    if (c.isEmpty()) return false;
    if (!options.demo) return true;
    struct DemoDisk {
      DiskSpec spec;
      const char* scheme;
      VolumeSpec volume;
    };
    const DemoDisk demoDisks[] = {
        {{"SATA", true, false, false, false, false, true, "ST1000DM003-1SB102", 1000204886016},
         "GUID_partition_scheme", VolumeSpec{"Journaled HFS+", "Data"}},
        {{"USB", false, true, true, false, false, true, "SanDisk Ultra", 32015679488},
         "GUID_partition_scheme", VolumeSpec{"Journaled HFS+", "USB Stick"}},
        {{"USB", false, true, true, false, false, true, "WD Elements 25A2", 1000170586112},
         "FDisk_partition_scheme", VolumeSpec{"NTFS", "Windows Backup", true, true}},
        {{"Secure Digital", true, true, true, false, false, true, "APPLE SD Card Reader", 15931539456},
         "FDisk_partition_scheme", VolumeSpec{"MS-DOS FAT32", "SD CARD"}},
    };
    for (const DemoDisk& d : demoDisks)
      if (addDisk(db, d.spec, d.scheme, {d.volume}, &err).isEmpty()) return false;
    return true;
  });
  if (!built) {
    if (error) *error = err.isEmpty() ? QString("cannot write the disk database") : err;
    return false;
  }
  link("..", r + "/Volumes/Macintosh HD");
  put(r + "/System/Volumes/Preboot/Cryptexes/OS/System/Library/dyld/dyld_shared_cache_x86_64", QByteArray(50000, 'd'));
  put(r + "/System/Volumes/Preboot/Cryptexes/App/System/Library/Frameworks/Safari.txt", "cryptex\n");
  putRandom(r + "/System/Volumes/VM/sleepimage", 10000, 3);

  QStringList installers;
  if (options.demo) {
    const QString home = r + "/Users/" + user;
    writeHome(home, layout, user);
    writeSampleTree(r + "/Volumes/Data", "data");
    writeSampleTree(r + "/Volumes/USB Stick", "usb");
    writeSampleTree(r + "/Volumes/Windows Backup", "ntfs");
    writeSampleTree(r + "/Volumes/SD CARD", "sd");
    makeApp(r + "/Applications/Safari.app", "com.apple.Safari", "Safari", "16.5", 0, 0);
    makeApp(r + "/System/Applications/Utilities/Disk Utility.app", "com.apple.DiskUtility", "Disk Utility",
            "22.0", 0, 0);
    makeInstaller(r + "/Applications/Install macOS Ventura.app", "Ventura",
                  "com.apple.InstallAssistant.macOSVentura", "18.6.02", 71);
    makeInstaller(r + "/Applications/Install macOS Sonoma.app", "Sonoma",
                  "com.apple.InstallAssistant.macOSSonoma", "19.6.02", 72);
    // A copy in the Trash, which installer discovery leaves out.
    makeInstaller(home + "/.Trash/Install macOS Sonoma.app", "Sonoma",
                  "com.apple.InstallAssistant.macOSSonoma", "19.6.02", 73);
    installers << "/Applications/Install macOS Ventura.app" << "/Applications/Install macOS Sonoma.app"
               << "/Users/" + user + "/.Trash/Install macOS Sonoma.app";
    QTemporaryDir content(layout.state() + "/image-XXXXXX");
    writeSampleTree(content.path(), "image");
    ImageHeader h;
    h.volumeName = "Sample Image";
    h.capacity = 50000000;
    h.volumeUUID = newUuid();
    writeImage(home + "/Downloads/Sample Image.dmg", h, content.path(), nullptr);
  }

  if (options.installTools) {
    const QString tools = options.toolsDir.isEmpty() ? defaultToolsDir() : options.toolsDir;
    if (!QFileInfo(tools + "/qdc-diskutil").isExecutable()) {
      if (!options.toolsDir.isEmpty()) {
        if (error) *error = "no world programs in " + tools;
        return false;
      }
    } else {
      if (!installTools(layout, tools, error)) return false;
      for (const QString& app : installers)
        if (!installInstallerTool(layout, app, tools, error)) return false;
    }
  }
  return true;
}

}  // namespace world
