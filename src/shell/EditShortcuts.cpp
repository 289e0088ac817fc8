#include "shell/EditShortcuts.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMetaObject>
#include <QWidget>

EditAction editActionForKey(int key, Qt::KeyboardModifiers modifiers) {
  // Keypad and group-switch state are not modifiers a user chooses.
  const Qt::KeyboardModifiers chosen =
      modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (chosen == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_X: return EditAction::Cut;
      case Qt::Key_C: return EditAction::Copy;
      case Qt::Key_V: return EditAction::Paste;
      case Qt::Key_Z: return EditAction::Undo;
      case Qt::Key_A: return EditAction::SelectAll;
      default: return EditAction::None;
    }
  }
  if ((chosen & Qt::ControlModifier) && (chosen & Qt::ShiftModifier) && key == Qt::Key_Z)
    return EditAction::Redo;
  return EditAction::None;
}

EditAction editActionForEvent(const QKeyEvent& event) {
  return editActionForKey(event.key(), event.modifiers());
}

const char* editActionSelector(EditAction action) {
  switch (action) {
    case EditAction::Cut: return "cut";
    case EditAction::Copy: return "copy";
    case EditAction::Paste: return "paste";
    case EditAction::Undo: return "undo";
    case EditAction::SelectAll: return "selectAll";
    case EditAction::Redo: return "redo";
    case EditAction::None: break;
  }
  return nullptr;
}

namespace {

bool hasActionSlot(QObject* object, const char* selector) {
  const QByteArray signature = QByteArray(selector) + "()";
  const int index = object->metaObject()->indexOfMethod(signature.constData());
  if (index < 0) return false;
  const QMetaMethod method = object->metaObject()->method(index);
  return method.access() == QMetaMethod::Public &&
         (method.methodType() == QMetaMethod::Slot || method.methodType() == QMetaMethod::Method);
}

// The object that edits text for `widget`: spin boxes and editable combo boxes
// edit through their line edit.
QObject* editorOf(QWidget* widget) {
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->lineEdit();
  if (qobject_cast<QAbstractSpinBox*>(widget)) return widget->findChild<QLineEdit*>();
  return widget;
}

}  // namespace

QWidget* editActionTarget(QWidget* focus, EditAction action) {
  const char* selector = editActionSelector(action);
  if (!selector) return nullptr;
  for (QWidget* widget = focus; widget; widget = widget->parentWidget()) {
    QObject* editor = editorOf(widget);
    if (editor && hasActionSlot(editor, selector)) return widget;
    if (widget->isWindow()) break;
  }
  return nullptr;
}

bool sendEditAction(QWidget* focus, EditAction action) {
  QWidget* target = editActionTarget(focus, action);
  if (!target) return false;
  return QMetaObject::invokeMethod(editorOf(target), editActionSelector(action), Qt::DirectConnection);
}

bool handleEditShortcutEvent(QWidget* focus, QEvent* event) {
  if (!event) return false;
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
  const EditAction action = editActionForEvent(*static_cast<QKeyEvent*>(event));
  if (action == EditAction::None) return false;
  if (event->type() == QEvent::ShortcutOverride) {
    if (!editActionTarget(focus, action)) return false;
    event->accept();
    return true;
  }
  return sendEditAction(focus, action);
}
