#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <vector>

// A drag within the window, over plain mouse events so that tests can drive it
// with presses, moves and releases. It is armed by a press, begins once the
// pointer has moved the drag threshold with the button held, is offered to the
// control under the pointer (which accepts or refuses it; a control that is no
// target refuses), shows the state with the pointer's shape, and is dropped on
// release over an accepting control. It carries no data: the targets read what
// the press left in the document.
class InWindowDrag {
public:
    static constexpr int threshold = 5;

    struct Target {
        QWidget* widget = nullptr;
        std::function<bool(QPoint local)> accepts;
        std::function<void(QPoint local)> drop;
    };

    explicit InWindowDrag(QWidget* window) : window_(window) {}
    ~InWindowDrag();
    InWindowDrag(const InWindowDrag&) = delete;
    InWindowDrag& operator=(const InWindowDrag&) = delete;

    void addTarget(Target target) { targets_.push_back(std::move(target)); }

    // Positions are global (screen) points.
    void arm(QPoint pressPoint);
    void move(QPoint point, bool buttonHeld);
    void release(QPoint point);
    void cancel();

    bool isArmed() const { return armed_; }
    bool isDragging() const { return dragging_; }
    // Whether the control under the pointer accepts the drag under way.
    bool isAccepted() const { return accepted_; }

private:
    const Target* targetAt(QPoint point) const;
    void offer(QPoint point);
    void end();

    QWidget* window_;
    std::vector<Target> targets_;
    QPoint start_;
    bool armed_ = false;
    bool dragging_ = false;
    bool accepted_ = false;
};
