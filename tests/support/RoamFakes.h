#pragma once
// A roaming cat and its panel that only log what the roaming controller asks of them, and report
// what the test sets in their logs.
#include "desktop/DesktopRoam.h"

#include <functional>
#include <vector>

namespace kp::test {

struct CatLog {
    int made = 0;
    std::vector<DesktopCat::Trick> queued;
    std::vector<PetNeed> asked;
    std::vector<bool> headHome;  // the `immediately` of each call
    int announces = 0, ticks = 0, dragStarts = 0;
    std::vector<QPointF> mouse;
    std::vector<long long> appsSwitchedTo;  // the pid of each setPendingApp
    std::vector<RoamScreen> movedTo;        // the screen of each moveTo
    std::function<void()> onHome;
    // What the cat reports.
    bool asking = false, dragged = false, homeBound = false, userDragging = false;
    QRectF hit{100, 100, 50, 50};
};

class FakeCat final : public RoamCat {
public:
    explicit FakeCat(CatLog& log) : log_(log) { ++log_.made; }
    void queue(DesktopCat::Trick trick) override { log_.queued.push_back(trick); }
    void ask(PetNeed need) override { log_.asked.push_back(need); }
    void headHome(bool immediately) override { log_.headHome.push_back(immediately); }
    void announce() override { ++log_.announces; }
    void mouseMoved(QPointF to) override {
        mouse_ = to;
        log_.mouse.push_back(to);
    }
    void tick(double) override { ++log_.ticks; }
    QRectF hitRect() const override { return log_.hit; }
    QPointF mouse() const override { return mouse_; }
    bool isDragged() const override { return log_.dragged; }
    bool isAsking() const override { return log_.asking; }
    bool homeBound() const override { return log_.homeBound; }
    bool userDragging() const override { return log_.userDragging; }
    void setUserDragging(bool on) override { log_.userDragging = on; }
    void userStartedDragging() override { ++log_.dragStarts; }
    void userStoppedDragging() override {}
    void setMischief(bool) override {}
    void setOnHome(std::function<void()> onHome) override { log_.onHome = std::move(onHome); }
    void setPendingApp(long long pid, double) override { log_.appsSwitchedTo.push_back(pid); }
    void moveTo(const RoamScreen& screen, double) override { log_.movedTo.push_back(screen); }

private:
    CatLog& log_;
    QPointF mouse_{-999, -999};
};

struct PanelLog {
    int shown = 0;  // orderFront calls less orderOut calls
    int outs = 0, writes = 0;
    bool clickThrough = true;
    std::vector<QRectF> refits;  // the frame of each refit
};

class FakePanel final : public RoamSurface {
public:
    FakePanel(PanelLog& log, QRectF frame) : log_(log), frame_(frame) {}
    QRectF frame() const override { return frame_; }
    bool clickThrough() const override { return log_.clickThrough; }
    void setClickThrough(bool on) override {
        ++log_.writes;
        log_.clickThrough = on;
    }
    void orderFront() override { ++log_.shown; }
    void orderOut() override {
        --log_.shown;
        ++log_.outs;
    }
    void refit(const RoamScreen& screen) override {
        frame_ = screen.frame;
        log_.refits.push_back(frame_);
    }

private:
    PanelLog& log_;
    QRectF frame_;
};

// Roaming services that make these fakes, on a screen of `frame` below a 24-pixel menu bar.
inline RoamServices fakeRoamServices(CatLog& cat, PanelLog& panel, QRectF frame) {
    RoamServices s;
    s.screen = [frame] {
        return std::optional<RoamScreen>(RoamScreen{frame, frame.adjusted(0, 24, 0, 0)});
    };
    s.makeCat = [&cat](const RoamScreen&) { return std::make_unique<FakeCat>(cat); };
    s.makePanel = [&panel, frame](const RoamScreen&, RoamCat&) { return std::make_unique<FakePanel>(panel, frame); };
    return s;
}

}  // namespace kp::test
