#include "services/WatchMountUnmount.h"

#include "platform/NotificationCenter.h"
#include "platform/Queue.h"

WatchMountUnmount::WatchMountUnmount(QObject* parent)
    : QObject(parent), wsnc_(std::make_unique<platform::VolumeWatch>()) {
  registerNotifications();
}

WatchMountUnmount::~WatchMountUnmount() = default;

void WatchMountUnmount::registerNotifications() {
  connect(wsnc_.get(), &platform::VolumeWatch::didMount, this, &WatchMountUnmount::mountedVolume);
  connect(wsnc_.get(), &platform::VolumeWatch::didUnmount, this, &WatchMountUnmount::unmountedVolume);
}

void WatchMountUnmount::mountedVolume(const QVariantMap& userInfo) { post(MCVolumeMountNotification, userInfo); }

void WatchMountUnmount::unmountedVolume(const QVariantMap& userInfo) {
  post(MCVolumeUnmountNotification, userInfo);
}

void WatchMountUnmount::post(const char* name, const QVariantMap& userInfo) {
  QVariantMap info = userInfo;
  info.insert(QLatin1String(kMCVolumeWatcherKey), QVariant::fromValue(static_cast<QObject*>(this)));
  const QString notification = QLatin1String(name);
  if (platform::isMainThread()) {
    platform::NotificationCenter::defaultCenter().postNotificationName(notification, info);
  } else {
    platform::dispatchMain([notification, info] {
      platform::NotificationCenter::defaultCenter().postNotificationName(notification, info);
    });
  }
}
