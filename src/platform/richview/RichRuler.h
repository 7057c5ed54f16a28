#pragma once

#include <QWidget>

class RichView;

// The horizontal ruler over the view: centimetres from the left margin, the margins shaded and the
// caret paragraph's indents marked. Display only; it follows the caret, the zoom and the scrolling.
class RichRuler : public QWidget
{
    Q_OBJECT
public:
    explicit RichRuler(RichView *view, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    // Pixel position on the ruler of a distance (twips) from the text area's left edge.
    double xOf(int twips) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    RichView *m_view;
};
