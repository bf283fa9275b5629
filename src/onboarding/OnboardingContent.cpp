#include "onboarding/OnboardingContent.h"

#include "app/AppState.h"
#include "cat/Closet.h"
#include "life/PetLife.h"
#include "platform/Clock.h"

#include <QPainter>

namespace kp {

OnboardingContent::OnboardingContent(OnboardingServices services, WorldSource world, Closet* closet,
                                     QObject* parent)
    : IslandContent(parent), view_(services), world_(std::move(world)), clock_(services.clock) {
    if (closet) {
        view_.setOutfit(closet->outfit());
        connect(closet, &Closet::outfitChanged, this, [this, closet] { view_.setOutfit(closet->outfit()); });
    }
    frames_.setTimerType(Qt::PreciseTimer);
    frames_.setInterval(16);
    connect(&frames_, &QTimer::timeout, this, &IslandContent::frameDue);
}

void OnboardingContent::didAppear() { frames_.start(); }

void OnboardingContent::didDisappear() { frames_.stop(); }

void OnboardingContent::paint(QPainter& p, const QRectF& rect, double) {
    rect_ = rect;
    if (world_) {
        TobbiFace::World world;
        world_(world);
        view_.setFaceWorld(world);
    }
    view_.paint(p, rect, clock_->now());
}

bool OnboardingContent::mousePress(QPointF pos) { return view_.mousePress(pos, rect_); }

void OnboardingContent::mouseMove(QPointF pos) { view_.mouseMove(pos, rect_); }

void OnboardingContent::mouseLeave() { view_.mouseLeave(); }

bool OnboardingContent::isActionableAt(QPointF pos) const { return view_.hitTest(pos, rect_); }

bool OnboardingContent::keyPress(QKeyEvent* event) { return view_.keyPress(event); }

bool OnboardingContent::wantsKeyboard() const { return view_.wantsKeyboard(); }

std::unique_ptr<IslandContent> makeOnboardingContent(AppState& state) {
    auto world = [&state](TobbiFace::World& w) {
        const PetLife& life = state.life();
        w.inputs.petDead = life.isDead();
        w.inputs.petSleeping = life.isSleeping();
        w.inputs.override = state.faceOverride();
        w.pointer = state.mousePosition;
        w.islandFrame = state.islandFrame;
    };
    return std::make_unique<OnboardingContent>(OnboardingServices::forApp(state), world, &Closet::shared());
}

}  // namespace kp
