#include "InWindowDrag.h"

#include <QApplication>
#include <QCursor>

InWindowDrag::~InWindowDrag()
{
    end();
}

void InWindowDrag::arm(QPoint pressPoint)
{
    end();
    start_ = pressPoint;
    armed_ = true;
}

void InWindowDrag::move(QPoint point, bool buttonHeld)
{
    if (!armed_)
        return;
    if (!buttonHeld) {
        end();
        return;
    }
    if (!dragging_) {
        const QPoint moved = point - start_;
        if (std::abs(moved.x()) < threshold && std::abs(moved.y()) < threshold)
            return;
        dragging_ = true;
        QApplication::setOverrideCursor(Qt::ForbiddenCursor);
    }
    offer(point);
}

void InWindowDrag::release(QPoint point)
{
    if (!dragging_) {
        end();
        return;
    }
    offer(point);
    const Target* target = accepted_ ? targetAt(point) : nullptr;
    end();
    if (target && target->drop)
        target->drop(target->widget->mapFromGlobal(point));
}

void InWindowDrag::cancel()
{
    end();
}

const InWindowDrag::Target* InWindowDrag::targetAt(QPoint point) const
{
    QWidget* under = window_->childAt(window_->mapFromGlobal(point));
    for (QWidget* w = under; w && w != window_; w = w->parentWidget())
        for (const Target& target : targets_)
            if (target.widget == w)
                return &target;
    return nullptr;
}

void InWindowDrag::offer(QPoint point)
{
    const Target* target = targetAt(point);
    accepted_ = target && target->accepts && target->accepts(target->widget->mapFromGlobal(point));
    QApplication::changeOverrideCursor(accepted_ ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
}

void InWindowDrag::end()
{
    if (dragging_)
        QApplication::restoreOverrideCursor();
    armed_ = dragging_ = accepted_ = false;
}
