#pragma once
// What the window system does to a window from outside the program, as the
// events it delivers: spontaneous, unlike the program's own close() or hide().
class QWidget;

// A close asked by the window manager (a title-bar button, Alt+F4, the task bar).
void windowSystemClose(QWidget* window);
// A minimise, as the window system reports it.
void windowSystemMinimise(QWidget* window);
