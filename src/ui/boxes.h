#ifndef BOXES_H
#define BOXES_H

#include <QString>

class QWidget;

// The operator's message boxes: one Ok button, texts translated in the main
// window's context. Title and text are source texts (QT_TRANSLATE_NOOP).
namespace Boxes {
void warning(QWidget *parent, const char *title, const char *text);
// The text followed by a detail that is no source text (a folder's path).
void warning(QWidget *parent, const char *title, const char *text, const QString &detail);
void information(QWidget *parent, const char *title, const char *text);
void critical(QWidget *parent, const char *title, const char *text);

// The window is going: every open box is closed and none opens any more,
// so that a close or a signal never waits for a click.
void closeAll();
// Boxes open again (a new window).
void reopen();
} // namespace Boxes

#endif // BOXES_H
