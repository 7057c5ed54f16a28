#pragma once

#include <QWidget>

#include <functional>

// The sheet of the page view: a plain white surface whose content its owner paints.
class PageSurface : public QWidget
{
public:
    using Painter = std::function<void(QPainter &)>;
    explicit PageSurface(QWidget *parent, Painter painter);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Painter m_painter;
};
