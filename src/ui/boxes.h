#ifndef BOXES_H
#define BOXES_H

class QWidget;

// The operator's message boxes: one Ok button, texts translated in the main
// window's context. Title and text are source texts (QT_TRANSLATE_NOOP).
namespace Boxes {
void warning(QWidget *parent, const char *title, const char *text);
void information(QWidget *parent, const char *title, const char *text);
void critical(QWidget *parent, const char *title, const char *text);
} // namespace Boxes

#endif // BOXES_H
