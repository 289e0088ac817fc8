#include "shell/EditShortcuts.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

struct KeyCase {
  const char* what;
  int key;
  Qt::KeyboardModifiers modifiers;
  EditAction expected;
};

TEST(EditShortcuts, MapsControlCombinationsAsCommandWouldBeMapped) {
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
  const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
  const KeyCase cases[] = {
      {"ctrl x", Qt::Key_X, ctrl, EditAction::Cut},
      {"ctrl c", Qt::Key_C, ctrl, EditAction::Copy},
      {"ctrl v", Qt::Key_V, ctrl, EditAction::Paste},
      {"ctrl z", Qt::Key_Z, ctrl, EditAction::Undo},
      {"ctrl a", Qt::Key_A, ctrl, EditAction::SelectAll},
      {"ctrl shift z", Qt::Key_Z, ctrlShift, EditAction::Redo},
      {"ctrl alt shift z still has ctrl and Z", Qt::Key_Z, ctrlShift | Qt::AltModifier,
       EditAction::Redo},
      {"ctrl on the keypad", Qt::Key_C, ctrl | Qt::KeypadModifier, EditAction::Copy},
      {"ctrl q is not an edit key", Qt::Key_Q, ctrl, EditAction::None},
      {"shift z alone is typed text", Qt::Key_Z, Qt::ShiftModifier, EditAction::None},
      {"plain c", Qt::Key_C, Qt::NoModifier, EditAction::None},
      {"ctrl shift c is not copy", Qt::Key_C, ctrlShift, EditAction::None},
      {"ctrl alt c is not copy", Qt::Key_C, ctrl | Qt::AltModifier, EditAction::None},
      {"super c (the Linux Meta key) is not Command", Qt::Key_C, Qt::MetaModifier,
       EditAction::None},
      {"alt z", Qt::Key_Z, Qt::AltModifier, EditAction::None},
  };
  for (const KeyCase& c : cases)
    EXPECT_EQ(editActionForKey(c.key, c.modifiers), c.expected) << c.what;
}

TEST(EditShortcuts, SelectorNames) {
  EXPECT_STREQ(editActionSelector(EditAction::Cut), "cut");
  EXPECT_STREQ(editActionSelector(EditAction::SelectAll), "selectAll");
  EXPECT_STREQ(editActionSelector(EditAction::Redo), "redo");
  EXPECT_EQ(editActionSelector(EditAction::None), nullptr);
}

TEST(EditShortcuts, ActionsReachTheFocusedEditorThroughTheChain) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* field = new QLineEdit("hello world");
  auto* text = new QTextEdit;
  auto* button = new QPushButton("ok");
  auto* spin = new QSpinBox;
  auto* combo = new QComboBox;
  combo->setEditable(true);
  layout->addWidget(field);
  layout->addWidget(text);
  layout->addWidget(button);
  layout->addWidget(spin);
  layout->addWidget(combo);

  ASSERT_TRUE(sendEditAction(field, EditAction::SelectAll));
  EXPECT_EQ(field->selectedText(), "hello world");
  ASSERT_TRUE(sendEditAction(field, EditAction::Cut));
  EXPECT_EQ(field->text(), "");
  EXPECT_EQ(QApplication::clipboard()->text(), "hello world");
  ASSERT_TRUE(sendEditAction(field, EditAction::Undo));
  EXPECT_EQ(field->text(), "hello world");

  ASSERT_TRUE(sendEditAction(text, EditAction::Paste));
  EXPECT_EQ(text->toPlainText(), "hello world");

  EXPECT_EQ(editActionTarget(spin, EditAction::Copy), spin);
  EXPECT_EQ(editActionTarget(combo, EditAction::Paste), combo);

  // A button takes no edit action and nothing above it in its window does: the
  // key goes on to the normal dispatch.
  EXPECT_EQ(editActionTarget(button, EditAction::Cut), nullptr);
  EXPECT_FALSE(sendEditAction(button, EditAction::Cut));
  EXPECT_FALSE(sendEditAction(nullptr, EditAction::Copy));
  EXPECT_FALSE(sendEditAction(field, EditAction::None));
}

}  // namespace

namespace {

TEST(EditShortcuts, KeyEventsAreConsumedOnlyWhenAResponderTakesThem) {
  QLineEdit field("abc");
  QPushButton button("ok");
  field.selectAll();

  QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, "c");
  QApplication::clipboard()->clear();
  EXPECT_TRUE(handleEditShortcutEvent(&field, &copy));
  EXPECT_EQ(QApplication::clipboard()->text(), "abc");

  QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_V, Qt::ControlModifier, "v");
  override.ignore();
  EXPECT_TRUE(handleEditShortcutEvent(&field, &override));
  EXPECT_TRUE(override.isAccepted());
  EXPECT_EQ(field.text(), "abc") << "the override only claims the key; the press pastes";

  QKeyEvent quit(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, "q");
  EXPECT_FALSE(handleEditShortcutEvent(&field, &quit));

  QKeyEvent cutOnButton(QEvent::KeyPress, Qt::Key_X, Qt::ControlModifier, "x");
  EXPECT_FALSE(handleEditShortcutEvent(&button, &cutOnButton));
  QKeyEvent overrideOnButton(QEvent::ShortcutOverride, Qt::Key_X, Qt::ControlModifier, "x");
  overrideOnButton.ignore();
  EXPECT_FALSE(handleEditShortcutEvent(&button, &overrideOnButton));
  EXPECT_FALSE(overrideOnButton.isAccepted());

  QKeyEvent release(QEvent::KeyRelease, Qt::Key_C, Qt::ControlModifier, "c");
  EXPECT_FALSE(handleEditShortcutEvent(&field, &release));
}

}  // namespace
