#include "app/ui/eliding_label.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

ElidingLabel::ElidingLabel(const QString& text, int preferredWidth, QWidget* parent)
    : QLabel(text, parent)
    , m_preferredWidth(preferredWidth) {}

QSize ElidingLabel::sizeHint() const {
    const QSize whole = QLabel::sizeHint();
    return {std::max(m_preferredWidth, whole.width()), whole.height()};
}

QSize ElidingLabel::minimumSizeHint() const {
    // Room for a character and the ellipsis: a panel squeezed this far
    // still shows that it holds something.
    const int frame = 2 * (frameWidth() + margin());
    return {frame + fontMetrics().horizontalAdvance(QStringLiteral("M…")),
            QLabel::minimumSizeHint().height()};
}

void ElidingLabel::paintEvent(QPaintEvent* event) {
    // The frame only: QLabel's own painting would draw the text uncut.
    QFrame::paintEvent(event); // NOLINT(bugprone-parent-virtual-call)
    QPainter painter(this);
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room,
                          int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), shown, foregroundRole());
}
