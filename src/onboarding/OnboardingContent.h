#pragma once
// The onboarding as the island's hosted content: built afresh each time the island enters its
// onboarding state, it asks for a frame every display refresh while shown and forwards the
// pointer and the keys to the pages.
#include "island/IslandContent.h"
#include "onboarding/TobbiOnboardingView.h"

#include <QTimer>

#include <functional>
#include <memory>

namespace kp {

class AppState;
class Closet;

class OnboardingContent final : public IslandContent {
public:
    // Fills in, before each frame, what the face needs of the app.
    using WorldSource = std::function<void(TobbiFace::World& world)>;

    // The cat wears what `closet` has on, read again only when that changes (the closet must
    // outlive nothing: the link goes with either side).
    OnboardingContent(OnboardingServices services, WorldSource world = {}, Closet* closet = nullptr,
                      QObject* parent = nullptr);

    void didAppear() override;
    void didDisappear() override;
    void paint(QPainter& p, const QRectF& rect, double islandHeight) override;
    bool mousePress(QPointF pos) override;
    void mouseMove(QPointF pos) override;
    void mouseLeave() override;
    bool isActionableAt(QPointF pos) const override;
    bool keyPress(QKeyEvent* event) override;
    bool wantsKeyboard() const override;

    TobbiOnboardingView& view() { return view_; }
    bool isTicking() const { return frames_.isActive(); }

private:
    TobbiOnboardingView view_;
    WorldSource world_;
    QTimer frames_;
    QRectF rect_{0, 0, TobbiOnboardingView::kWidth, TobbiOnboardingView::kHeight};
    Clock* clock_;
};

// The content for the app: the shared state, store, hub, clock, weather model, sounds and music.
std::unique_ptr<IslandContent> makeOnboardingContent(AppState& state);

}  // namespace kp
