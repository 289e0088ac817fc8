#include "platform/DiskArbitration.h"

#include "platform/Paths.h"
#include "platform/SystemWorld.h"
#include "world/lib/DiskInfo.h"
#include "world/lib/Disks.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <vector>

namespace platform {

struct DASession {
  world::Layout layout;
  std::vector<DADiskCallback> appeared, disappeared;
  QStringList known;           // the disks seen at the last look
  QPointer<QTimer> watch;      // on the scheduling thread
  ~DASession() {
    if (watch) watch->deleteLater();
  }
};

namespace {

std::optional<world::DiskDatabase> database(const DASessionRef& session) {
  if (!session) return std::nullopt;
  world::DiskDatabase db(session->layout);
  if (!db.load()) return std::nullopt;
  return db;
}

DADiskRef diskFor(const QString& bsd) { return std::make_shared<const DADisk>(DADisk{bsd}); }

QString busPath(const world::DiskDatabase& db, const world::Media& m) {
  const world::Media* pd = db.physicalDisk(m);
  const QString bus = pd ? pd->bus : QString();
  if (bus == "USB") return "IODeviceTree:/PCI0@0/XHC1@14/" + (pd ? pd->id : m.id);
  if (bus == "Secure Digital") return "IODeviceTree:/PCI0@0/RP01@1C/SDXC@0/" + (pd ? pd->id : m.id);
  if (bus == "Disk Image") return "IOService:/IOResources/IOHDIXController/" + (pd ? pd->id : m.id);
  return "IODeviceTree:/PCI0@0/" + QString(bus).remove(' ') + "/" + (pd ? pd->id : m.id);
}

QString mediaPath(const world::DiskDatabase& db, const world::Media& m) {
  const world::Media* whole = db.wholeDisk(m);
  if (m.kind == world::MediaKind::Container || m.kind == world::MediaKind::Volume) {
    const world::Media* c = m.kind == world::MediaKind::Container ? &m : whole;
    const world::Media* store = c ? db.find(c->physicalStore) : nullptr;
    const QString base = store ? mediaPath(db, *store) : QString("IOService:/AppleAPFSContainer");
    return m.kind == world::MediaKind::Container ? base + "/AppleAPFSMedia@" + m.id
                                                 : base + "/AppleAPFSMedia@" + c->id + "/" + m.id;
  }
  const QString disk = busPath(db, whole ? *whole : m) + "/IOMedia";
  return m.kind == world::MediaKind::Whole ? disk : disk + "/" + m.id;
}

QVariantMap describe(const world::DiskDatabase& db, const world::Media& m) {
  const QVariantMap info = world::infoDictionary(db, m);
  const world::Media* pd = db.physicalDisk(m);
  QVariantMap d;
  d[kDADiskDescriptionMediaBSDNameKey] = m.id;
  d[kDADiskDescriptionMediaContentKey] = world::contentTypeName(m);
  d[kDADiskDescriptionMediaEjectableKey] = info.value("Ejectable").toBool();
  d[kDADiskDescriptionMediaKindKey] = "IOMedia";
  d[kDADiskDescriptionMediaLeafKey] = db.children(m.id).isEmpty() && !db.containerOfStore(m.id);
  d[kDADiskDescriptionMediaNameKey] = world::registryName(db, m);
  d[kDADiskDescriptionMediaPathKey] = mediaPath(db, m);
  d[kDADiskDescriptionMediaRemovableKey] = info.value("RemovableMedia").toBool();
  d[kDADiskDescriptionMediaSizeKey] = db.capacity(m);
  d[kDADiskDescriptionMediaTypeKey] = "Generic";
  d[kDADiskDescriptionMediaWholeKey] = m.isWhole();
  d[kDADiskDescriptionMediaWritableKey] = info.value("WritableMedia", true).toBool();
  d[kDADiskDescriptionMediaBlockSizeKey] = info.value("DeviceBlockSize");
  if (!m.uuid.isEmpty()) d[kDADiskDescriptionMediaUUIDKey] = m.uuid;
  if (m.hasFileSystem()) {
    const world::Personality p = world::personalityOf(m);
    d[kDADiskDescriptionVolumeKindKey] = p.fs;
    d[kDADiskDescriptionVolumeMountableKey] = true;
    d[kDADiskDescriptionVolumeNameKey] = m.volumeName;
    d[kDADiskDescriptionVolumeNetworkKey] = false;
    d[kDADiskDescriptionVolumeTypeKey] = p.userVisible;
    d[kDADiskDescriptionVolumeUUIDKey] = m.volumeUUID;
    if (m.mounted()) {
      QUrl url = QUrl::fromLocalFile(m.mountPoint == "/" ? QString("/") : m.mountPoint + "/");
      d[kDADiskDescriptionVolumePathKey] = url;
    }
  }
  if (pd) {
    d[kDADiskDescriptionDeviceInternalKey] = pd->internal;
    d[kDADiskDescriptionDeviceProtocolKey] = pd->bus;
    d[kDADiskDescriptionDeviceModelKey] = pd->mediaName;
    const int space = pd->mediaName.indexOf(' ');
    d[kDADiskDescriptionDeviceVendorKey] = space > 0 ? pd->mediaName.left(space) : pd->mediaName;
    d[kDADiskDescriptionDeviceRevisionKey] = "1.00";
    d[kDADiskDescriptionDeviceUnitKey] = 0;
    d[kDADiskDescriptionDevicePathKey] = busPath(db, *pd);
    d[kDADiskDescriptionBusPathKey] = busPath(db, *pd).section('/', 0, -2);
    d[kDADiskDescriptionBusNameKey] = busPath(db, *pd).section('/', -2, -2);
  }
  return d;
}

}  // namespace

DASessionRef DASessionCreate() {
  auto layout = systemWorld();
  if (!layout) return nullptr;
  return std::make_shared<DASession>(DASession{*layout});
}

DADiskRef DADiskCreateFromBSDName(const DASessionRef& session, const QString& bsdName) {
  auto db = database(session);
  if (!db) return nullptr;
  QString id = bsdName;
  if (id.startsWith("/dev/r")) id = id.mid(6);
  else if (id.startsWith("/dev/")) id = id.mid(5);
  return db->find(id) ? diskFor(id) : nullptr;
}

DADiskRef DADiskCreateFromVolumePath(const DASessionRef& session, const QString& macPath) {
  auto db = database(session);
  if (!db || macPath.isEmpty()) return nullptr;
  if (!QFileInfo::exists(hostPath(QDir::cleanPath(macPath)))) return nullptr;
  const world::Media* v = db->volumeForPath(macPath);
  return v ? diskFor(v->id) : nullptr;
}

DADiskRef DADiskCreateFromIOMedia(const DASessionRef& session, const io_service_t& media) {
  if (media.bsdName.isEmpty()) return nullptr;
  return DADiskCreateFromBSDName(session, media.bsdName);
}

QVariantMap DADiskCopyDescription(const DADiskRef& disk) {
  if (!disk) return {};
  auto db = systemWorldDisks();
  if (!db) return {};
  const world::Media* m = db->find(disk->bsdName);
  return m ? describe(*db, *m) : QVariantMap();
}

DADiskRef DADiskCopyWholeDisk(const DADiskRef& disk) {
  if (!disk) return nullptr;
  auto db = systemWorldDisks();
  if (!db) return nullptr;
  const world::Media* m = db->find(disk->bsdName);
  const world::Media* w = m ? db->wholeDisk(*m) : nullptr;
  return w ? diskFor(w->id) : nullptr;
}

QString DADiskGetBSDName(const DADiskRef& disk) { return disk ? disk->bsdName : QString(); }

namespace {

QStringList diskIds(const world::Layout& layout) {
  world::DiskDatabase db(layout);
  return db.load() ? db.orderedIds() : QStringList();
}

// Compares the database with the last look and tells the differences.
void lookForChanges(const std::weak_ptr<DASession>& weak) {
  DASessionRef session = weak.lock();
  if (!session) return;
  const QStringList now = diskIds(session->layout);
  const QStringList before = session->known;
  session->known = now;
  for (const QString& id : before)
    if (!now.contains(id))
      for (const DADiskCallback& call : session->disappeared) call(diskFor(id));
  for (const QString& id : now)
    if (!before.contains(id))
      for (const DADiskCallback& call : session->appeared) call(diskFor(id));
}

}  // namespace

void DARegisterDiskAppearedCallback(const DASessionRef& session, DADiskCallback callback) {
  if (session && callback) session->appeared.push_back(std::move(callback));
}

void DARegisterDiskDisappearedCallback(const DASessionRef& session, DADiskCallback callback) {
  if (session && callback) session->disappeared.push_back(std::move(callback));
}

void DASessionScheduleWithRunLoop(const DASessionRef& session) {
  if (!session || session->watch) return;
  session->known = diskIds(session->layout);
  // The database is replaced as a whole on every change, which a file watch
  // loses track of; a short look at it is cheap.
  auto* timer = new QTimer;
  timer->setInterval(250);
  std::weak_ptr<DASession> weak = session;
  QObject::connect(timer, &QTimer::timeout, timer, [weak] { lookForChanges(weak); });
  timer->start();
  session->watch = timer;
}

void DASessionUnscheduleFromRunLoop(const DASessionRef& session) {
  if (!session || !session->watch) return;
  session->watch->deleteLater();
  session->watch = nullptr;
}

}  // namespace platform
