// The window list's bookkeeping: word of one window updates that window alone.
#include "platform/WindowListX11Table.h"

#include <gtest/gtest.h>

using namespace kp;

namespace {

using Change = WindowTable::Change;
using Place = WindowFacts::Place;

// A shown window whose root child is `top`, its inside at `origin` on the root.
WindowFacts window(uint32_t w, uint32_t top, QPointF origin, QSizeF size, Place place = Place::root) {
    WindowFacts f;
    f.window = w;
    f.top = top;
    f.place = place;
    f.topOrigin = top == w ? origin : QPointF();
    if (top == w) f.topSize = size;
    f.origin = origin;
    f.size = size;
    f.shown = true;
    f.info.number = static_cast<int>(w);
    return f;
}

// The same, in its manager's frame `frame` whose inside lies at `frameOrigin`.
WindowFacts framed(uint32_t w, uint32_t frame, QPointF frameOrigin, QSizeF frameSize, QPointF offset, QSizeF size,
                   Place place = Place::root) {
    WindowFacts f = window(w, frame, frameOrigin + offset, size, place);
    f.frame = frame;
    f.topOrigin = frameOrigin;
    f.topSize = frameSize;
    return f;
}

std::vector<int> numbers(const WindowTable& t) {
    std::vector<int> out;
    for (const WindowInfo& w : t.windows()) out.push_back(w.number);
    return out;
}

QRectF boundsOf(const WindowTable& t, int number) {
    for (const WindowInfo& w : t.windows())
        if (w.number == number) return w.bounds;
    return {};
}

}  // namespace

TEST(WindowTable, AMoveOrResizeUpdatesThatWindowAloneFromTheEvent) {
    WindowTable table;
    // Back to front: a bare window; one in a frame with a title bar of 20; one two levels down in
    // a frame that says how large it is, with a shadow margin.
    WindowFacts deep = window(30, 300, QPointF(505, 120), QSizeF(200, 100));
    deep.topOrigin = QPointF(500, 100);
    deep.topSize = QSizeF(210, 125);
    deep.frameExtents = QMarginsF(5, 20, 5, 5);
    deep.shadow = QMarginsF(2, 2, 2, 2);
    table.reset({window(10, 10, QPointF(0, 0), QSizeF(300, 200)),
                 framed(20, 200, QPointF(100, 100), QSizeF(400, 320), QPointF(0, 20), QSizeF(400, 300)), deep},
                false);
    ASSERT_EQ(numbers(table), (std::vector<int>{30, 20, 10}));
    EXPECT_EQ(boundsOf(table, 20), QRectF(100, 100, 400, 320));  // the frame belongs to the window
    EXPECT_EQ(boundsOf(table, 30), QRectF(502, 102, 206, 121));
    const QRectF bare = boundsOf(table, 10);

    // The frame moves: its client with it, the rest stays.
    EXPECT_EQ(table.topConfigured(200, QPointF(150, 60), QSizeF(400, 320), 10), Change::some);
    EXPECT_EQ(boundsOf(table, 20), QRectF(150, 60, 400, 320));
    EXPECT_EQ(boundsOf(table, 10), bare);
    EXPECT_EQ(table.find(20)->origin, QPointF(150, 80));
    // Resized: the frame, then its client in it.
    EXPECT_EQ(table.topConfigured(200, QPointF(150, 60), QSizeF(500, 220), 10), Change::some);
    EXPECT_EQ(table.clientConfigured(20, QPointF(0, 20), QSizeF(500, 200)), Change::some);
    EXPECT_EQ(boundsOf(table, 20), QRectF(150, 60, 500, 220));
    // The root child two levels up moves: the client deep inside with it, its margins kept; when it
    // is resized, the client's place in it is read again.
    EXPECT_EQ(table.topConfigured(300, QPointF(450, 150), QSizeF(210, 125), 200), Change::some);
    EXPECT_EQ(boundsOf(table, 30), QRectF(452, 152, 206, 121));
    EXPECT_EQ(table.topConfigured(300, QPointF(450, 150), QSizeF(250, 125), 200), Change::readWindow);
    EXPECT_EQ(table.windowsIn(300), (std::vector<uint32_t>{30}));
    // Inside a parent whose place is not kept, the window itself is read again.
    EXPECT_EQ(table.clientConfigured(30, QPointF(5, 20), QSizeF(180, 100)), Change::readWindow);
    // A bare window's own word of itself is the root's word again; unknown windows change nothing.
    EXPECT_EQ(table.clientConfigured(10, QPointF(7, 7), QSizeF(1, 1)), Change::none);
    EXPECT_EQ(table.topConfigured(999, QPointF(1, 1), QSizeF(1, 1), 0), Change::none);
    EXPECT_EQ(table.clientConfigured(999, QPointF(1, 1), QSizeF(1, 1)), Change::none);
    EXPECT_EQ(table.topConfigured(10, QPointF(0, 0), QSizeF(300, 200), 0), Change::none);
    EXPECT_EQ(boundsOf(table, 10), bare);
    // The order is the manager's: a sibling's word does not change it.
    EXPECT_EQ(numbers(table), (std::vector<int>{30, 20, 10}));

    // A window whose root child is not known: any root child's move may be its, so it is placed
    // anew; unless the window has gone.
    WindowFacts lost = window(40, 0, QPointF(0, 0), QSizeF(300, 200));
    table.reset({lost}, false);
    EXPECT_EQ(table.topConfigured(999, QPointF(1, 1), QSizeF(1, 1), 0), Change::findTops);
    EXPECT_EQ(table.withoutTop(), (std::vector<uint32_t>{40}));
    lost.gone = true;
    lost.shown = false;
    table.reset({lost}, false);
    EXPECT_EQ(table.topConfigured(999, QPointF(1, 1), QSizeF(1, 1), 0), Change::none);
}

TEST(WindowTable, WithoutAManagerTheRootsStackingOrdersTheWindows) {
    WindowTable table;
    // Back to front 1, 2, 3, one of them framed.
    table.reset({window(1, 1, QPointF(0, 0), QSizeF(300, 200)),
                 framed(21, 2, QPointF(10, 10), QSizeF(300, 220), QPointF(0, 20), QSizeF(300, 200)),
                 window(3, 3, QPointF(20, 20), QSizeF(300, 200))},
                true);
    ASSERT_EQ(numbers(table), (std::vector<int>{3, 21, 1}));
    // Raised above 3; lowered to the bottom; a sibling not listed lies behind them all.
    EXPECT_EQ(table.topConfigured(1, QPointF(0, 0), QSizeF(300, 200), 3), Change::some);
    EXPECT_EQ(numbers(table), (std::vector<int>{1, 3, 21}));
    EXPECT_EQ(table.topConfigured(3, QPointF(20, 20), QSizeF(300, 200), 0), Change::some);
    EXPECT_EQ(numbers(table), (std::vector<int>{1, 21, 3}));
    EXPECT_EQ(table.topConfigured(1, QPointF(0, 0), QSizeF(300, 200), 777), Change::some);
    EXPECT_EQ(numbers(table), (std::vector<int>{21, 3, 1}));
    // Where it already was: nothing changes.
    EXPECT_EQ(table.topConfigured(1, QPointF(0, 0), QSizeF(300, 200), 0), Change::none);
    EXPECT_EQ(table.topConfigured(2, QPointF(10, 10), QSizeF(300, 220), 3), Change::none);
    // Moved and raised in one: both taken.
    EXPECT_EQ(table.topConfigured(3, QPointF(60, 70), QSizeF(300, 200), 2), Change::some);
    EXPECT_EQ(numbers(table), (std::vector<int>{3, 21, 1}));
    EXPECT_EQ(boundsOf(table, 3), QRectF(60, 70, 300, 200));
}

TEST(WindowTable, ANewListKeepsTheWindowsItKnowsTakesInTheNewOnesReadAndDropsTheRest) {
    WindowTable table;
    // Stacked 1, 2, 3; 4 listed but not stacked; 5 a dock in no list.
    table.reset({window(1, 1, QPointF(0, 0), QSizeF(300, 200), Place::stacked),
                 window(2, 2, QPointF(0, 0), QSizeF(300, 200), Place::stacked),
                 window(3, 3, QPointF(0, 0), QSizeF(300, 200), Place::stacked),
                 window(4, 4, QPointF(0, 0), QSizeF(300, 200), Place::listed),
                 window(5, 5, QPointF(0, 0), QSizeF(300, 40), Place::root)},
                false);
    ASSERT_EQ(numbers(table), (std::vector<int>{5, 4, 3, 2, 1}));
    const auto list = [](std::vector<uint32_t> stacked, std::vector<uint32_t> listed, std::vector<uint32_t> root) {
        std::vector<WindowTable::Listed> out;
        for (uint32_t w : stacked) out.push_back({w, Place::stacked});
        for (uint32_t w : listed) out.push_back({w, Place::listed});
        for (uint32_t w : root) out.push_back({w, Place::root});
        return out;
    };
    table.relist(list({2, 3, 1}, {4}, {5}), {});
    EXPECT_EQ(numbers(table), (std::vector<int>{5, 4, 1, 3, 2}));

    // 9 new in front, as read; 2 no longer listed; 10 listed but not read (it went before it
    // could be), 11 read and gone. The kept windows keep what was known of them.
    WindowFacts gone = window(11, 11, QPointF(0, 0), QSizeF(10, 10));
    gone.gone = true;
    gone.shown = false;
    table.relist(list({3, 1, 10, 11, 9}, {4}, {5}), {framed(9, 90, QPointF(40, 50), QSizeF(200, 100), QPointF(0, 0), QSizeF(200, 100)), gone});
    EXPECT_EQ(numbers(table), (std::vector<int>{5, 4, 9, 1, 3}));
    EXPECT_EQ(table.find(2), nullptr);
    EXPECT_EQ(table.find(10), nullptr);
    EXPECT_EQ(table.find(11), nullptr);
    EXPECT_EQ(table.find(9)->place, Place::stacked);
    EXPECT_EQ(boundsOf(table, 9), QRectF(40, 50, 200, 100));
    // Word of its root child reaches the new window; a window read again keeps its new place.
    EXPECT_EQ(table.topConfigured(90, QPointF(60, 70), QSizeF(200, 100), 0), Change::some);
    EXPECT_EQ(boundsOf(table, 9), QRectF(60, 70, 200, 100));
    EXPECT_EQ(table.topConfigured(2, QPointF(1, 1), QSizeF(1, 1), 0), Change::none);
    table.update(framed(9, 90, QPointF(60, 70), QSizeF(220, 100), QPointF(0, 0), QSizeF(220, 100)));
    EXPECT_EQ(numbers(table), (std::vector<int>{5, 4, 9, 1, 3}));

    // The dock the manager lists now takes the list's place; the same list again changes nothing.
    table.relist(list({3, 1, 9, 5}, {4}, {}), {});
    EXPECT_EQ(table.find(5)->place, Place::stacked);
    EXPECT_EQ(numbers(table), (std::vector<int>{4, 5, 9, 1, 3}));
    EXPECT_EQ(table.placed(Place::stacked), (std::vector<uint32_t>{3, 1, 9, 5}));
}

TEST(WindowTable, AWindowReadAgainKeepsItsPlaceAndComesAndGoesFromTheList) {
    WindowTable table;
    table.reset({window(1, 1, QPointF(0, 0), QSizeF(300, 200), Place::stacked),
                 window(2, 2, QPointF(50, 50), QSizeF(300, 200), Place::stacked)},
                false);
    WindowFacts hidden = window(1, 1, QPointF(0, 0), QSizeF(300, 200));
    hidden.shown = false;
    table.update(hidden);
    EXPECT_EQ(numbers(table), (std::vector<int>{2}));
    WindowFacts back = window(1, 1, QPointF(10, 10), QSizeF(320, 200));
    back.info.alpha = 0.5;
    table.update(back);
    EXPECT_EQ(numbers(table), (std::vector<int>{2, 1}));
    EXPECT_EQ(table.windows()[1].alpha, 0.5);
    // Its root child and its place in the stacking stay.
    EXPECT_EQ(table.find(1)->top, 1u);
    EXPECT_EQ(table.find(1)->place, Place::stacked);
    EXPECT_EQ(table.topConfigured(1, QPointF(30, 40), QSizeF(320, 200), 0), Change::some);
    EXPECT_EQ(boundsOf(table, 1), QRectF(30, 40, 320, 200));
    EXPECT_EQ(boundsOf(table, 2), QRectF(50, 50, 300, 200));

    // Framed anew: its new frame's word moves it, its old root child's no longer does.
    table.update(framed(1, 100, QPointF(30, 20), QSizeF(320, 220), QPointF(0, 20), QSizeF(320, 200)));
    EXPECT_EQ(table.windowsIn(1), (std::vector<uint32_t>{}));
    EXPECT_EQ(table.windowsIn(100), (std::vector<uint32_t>{1}));
    EXPECT_EQ(table.topConfigured(1, QPointF(0, 0), QSizeF(5, 5), 0), Change::none);
    EXPECT_EQ(table.topConfigured(100, QPointF(130, 20), QSizeF(320, 220), 0), Change::some);
    EXPECT_EQ(boundsOf(table, 1), QRectF(130, 20, 320, 220));
    // Gone: it leaves the list, and its root child's word concerns no window.
    WindowFacts gone = window(1, 100, QPointF(0, 0), QSizeF(1, 1));
    gone.gone = true;
    table.update(gone);
    EXPECT_EQ(numbers(table), (std::vector<int>{2}));
    EXPECT_EQ(table.find(1), nullptr);
    EXPECT_EQ(table.windowsIn(100), (std::vector<uint32_t>{}));
    EXPECT_EQ(table.topConfigured(2, QPointF(50, 60), QSizeF(300, 200), 0), Change::some);
    EXPECT_EQ(boundsOf(table, 2), QRectF(50, 60, 300, 200));
}
