#pragma once
// The editing key combinations that work in every window and pop-up, whether or
// not a menu item serves them. On Linux Control stands where a Mac has Command.
#include <QKeyEvent>
#include <QString>

class QWidget;

enum class EditAction { None, Cut, Copy, Paste, Undo, SelectAll, Redo };

// The action a key press asks for: Control alone with x, c, v, z or a gives cut,
// copy, paste, undo or select-all; Control with Shift and z gives redo. Anything
// else (Control with q, Shift alone, no Control) gives None.
EditAction editActionForKey(int key, Qt::KeyboardModifiers modifiers);
EditAction editActionForEvent(const QKeyEvent& event);

// The slot name the action is sent as ("cut", "copy", …).
const char* editActionSelector(EditAction action);

// The widget of the responder chain (`focus` and its ancestors) that handles
// `action`, or null when none does. Text fields, text views, editable combo
// boxes and spin boxes handle all six; any widget with a public slot of the
// action's name handles it as well.
QWidget* editActionTarget(QWidget* focus, EditAction action);
// Sends `action` along the chain; true when a responder handled it.
bool sendEditAction(QWidget* focus, EditAction action);

class QEvent;
// For the application's event dispatch, before normal delivery: a key press of an
// edit combination is sent to `focus`'s chain and consumed (true) when handled;
// the matching shortcut-override is accepted then, so that a menu shortcut of the
// same keys does not take the press first. Everything else: false.
bool handleEditShortcutEvent(QWidget* focus, QEvent* event);
