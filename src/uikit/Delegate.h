#pragma once
// Delegates of the kit's widgets: non-retaining, and unable to dangle when the
// delegate is a QObject (the services' DelegateRef).
#include <QObject>

#include "services/DelegateRef.h"

namespace uikit {

template <class Protocol>
using WeakDelegate = DelegateRef<Protocol>;

// An informal protocol: the object answers only if it implements `Protocol`.
template <class Protocol>
Protocol* respondsTo(QObject* delegate) {
  return delegate ? dynamic_cast<Protocol*>(delegate) : nullptr;
}

}  // namespace uikit
