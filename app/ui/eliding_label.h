#pragma once

#include <QLabel>

/// A status-bar panel that shrinks below its text instead of pushing its
/// neighbours over: it asks for `preferredWidth` (or its whole text when that
/// is wider) and, when the window is narrower, shows the start of its text
/// with "…". text() stays the whole text.
class ElidingLabel : public QLabel {
    Q_OBJECT

public:
    ElidingLabel(const QString& text, int preferredWidth, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_preferredWidth;
};
