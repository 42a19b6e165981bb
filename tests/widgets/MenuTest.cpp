// Pop-up menus: the building rules, the layout, and choosing or dismissing on the
// display-free backend.
#include "StubFrame.hpp"

#include "widgets/MenuWindow.hpp"
#include "widgets/PopupMenu.hpp"

#include <algorithm>

namespace quovent::test {
namespace {

using platform::EventType;

TEST(MenuModelTest, SeparatorsGreyedAndDisabledItemsKeepTheirIndexAndCannotBeChosen) {
    MenuModel m;
    for (const char* text : {"Copy", "-", "-GPaste", "-TTitle", "-Gx", "-xyz", "--"}) {
        ASSERT_TRUE(m.addEntry(text));
    }
    EXPECT_EQ(m.item(1).kind, MenuItem::Kind::Separator);
    EXPECT_EQ(m.item(2).kind, MenuItem::Kind::Greyed);
    EXPECT_EQ(m.item(2).text, "Paste");
    EXPECT_EQ(m.item(3).kind, MenuItem::Kind::Disabled);
    EXPECT_EQ(m.item(3).text, "Title");
    EXPECT_EQ(m.item(4).text, "x");
    EXPECT_EQ(m.item(5).kind, MenuItem::Kind::Normal) << "only \"-\" alone is a separator";
    EXPECT_EQ(m.item(6).text, "--");
    EXPECT_TRUE(m.selectable(0));
    for (int i : {1, 2, 3, 4, -1, 7}) {
        EXPECT_FALSE(m.selectable(i)) << i;
    }
}

TEST(MenuModelTest, HoldsAtMost1024ItemsOf255Bytes) {
    MenuModel m;
    for (int i = 0; i < 1024; ++i) {
        ASSERT_TRUE(m.addEntry(std::to_string(i)));
    }
    EXPECT_FALSE(m.addEntry("one too many"));
    EXPECT_EQ(m.size(), 1024);
    MenuModel longText;
    longText.addEntry(std::string(400, 'x'));
    EXPECT_EQ(longText.item(0).text.size(), 255u);
}

TEST(MenuModelTest, ColumnRuleAppliesBelow160ItemsOnly) {
    MenuModel m;
    m.setColumnLength(30);
    for (int i = 0; i < 75; ++i) {
        m.addEntry("f");
    }
    EXPECT_FALSE(m.startsColumn(0));
    EXPECT_FALSE(m.startsColumn(29));
    EXPECT_TRUE(m.startsColumn(30));
    EXPECT_TRUE(m.startsColumn(60));
    const auto measure = [](std::string_view t) { return static_cast<int>(t.size()) * 6; };
    const MenuModel::Layout l = m.layout(measure, 20, 7, 10000);
    EXPECT_EQ(l.items[30].top, l.items[0].top);
    EXPECT_GT(l.items[30].left, l.items[29].left);
    EXPECT_EQ(l.items[59].left, l.items[30].left);
    EXPECT_EQ(l.height, MenuModel::kBorder * 2 + 30 * 20);

    for (int i = 75; i < 160; ++i) {
        m.addEntry("f");
    }
    EXPECT_FALSE(m.startsColumn(30)) << "160 items: no column breaks";
    m.setColumnLength(0);
    MenuModel few;
    few.addEntry("a");
    few.addEntry("b");
    EXPECT_FALSE(few.startsColumn(1));
}

TEST(MenuModelTest, ATallMenuWrapsIntoColumnsThatFitTheScreen) {
    MenuModel m;
    for (int i = 0; i < 300; ++i) {
        m.addEntry("entry");
    }
    const MenuModel::Layout l =
        m.layout([](std::string_view t) { return static_cast<int>(t.size()); }, 20, 7, 1024);
    EXPECT_LE(l.height, 1024);
    for (const Rect& r : l.items) {
        EXPECT_LE(r.bottom, l.height);
        EXPECT_LE(r.right, l.width);
    }
}

class PopupMenuTest : public StubFrameTest {
protected:
    void SetUp() override {
        StubFrameTest::SetUp();
        menu = frame->add(std::make_unique<PopupMenu>(Rect{10, 10, 28, 22}, &listener, 148));
        for (const char* text : {"Copy", "Paste", "-", "-GGone", "Init"}) {
            menu->addEntry(text);
        }
    }

    StubWindow* popup() const { return ws->lastWindow(StubWindow::Kind::Popup); }

    // Posts an event at a point in screen coordinates to the open menu window.
    void toMenu(EventType type, Point screen, int button = 1) {
        platform::Event e;
        e.type = type;
        e.button = button;
        e.position = {screen.x - popup()->screenRect.left, screen.y - popup()->screenRect.top};
        ws->post(*popup(), e);
    }
    void clickItem(int index) {
        const Rect r = MenuWindow::active()->itemScreenRect(index);
        const Point p{r.left + 5, r.top + r.height() / 2};
        toMenu(EventType::MouseDown, p);
        toMenu(EventType::MouseUp, p);
    }
    void key(platform::Key k) {
        platform::Event e;
        e.type = EventType::KeyDown;
        e.key.key = k;
        ws->post(*popup(), e);
    }
    // Runs `action` at the first modal idle of the open menu; a guard ends a menu that
    // never closes.
    void whileOpen(const std::function<void()>& action) {
        int idles = 0;
        host.onIdle = [this, action, idles]() mutable {
            ws->buttons = 0;
            if (++idles == 1) {
                ASSERT_NE(MenuWindow::active(), nullptr);
                action();
            } else if (idles > 50 && MenuWindow::active() != nullptr) {
                key(platform::Key::Escape);
                ADD_FAILURE() << "menu still open";
            }
        };
    }

    PopupMenu* menu = nullptr;
};

TEST_F(PopupMenuTest, OpensBelowTheControlAndReportsTheChosenIndexCountingSeparators) {
    Rect opened;
    whileOpen([&] {
        opened = popup()->screenRect;
        EXPECT_TRUE(popup()->grabbed);
        clickItem(4);
    });
    press({15, 15}, mouse::kLeft);
    EXPECT_EQ(opened.origin(), (Point{10, 22}));
    EXPECT_EQ(menu->value(), 4.0f);
    EXPECT_EQ(menu->displayText(), "Init");
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].tag, 148);
    EXPECT_EQ(host.edits, (std::vector<std::string>{"begin 148", "end 148"}));
    EXPECT_EQ(popup(), nullptr) << "the menu window is gone";
}

TEST_F(PopupMenuTest, TheReleaseOfTheOpeningPressIsNoChoiceButKeysAre) {
    menu->setStyle(displayStyle::kMenuAtTop);
    Rect opened;
    whileOpen([&] {
        opened = popup()->screenRect;
        // The menu lies over the pointer; releasing the opening press there chooses nothing.
        const Point at = ws->pointerOnScreen;
        toMenu(EventType::MouseUp, at);
        key(platform::Key::Down);
        key(platform::Key::Down);
        key(platform::Key::Down); // skips the separator and the greyed item
        key(platform::Key::Return);
    });
    press({15, 15}, mouse::kLeft);
    EXPECT_EQ(opened.origin(), (Point{10, 10})) << "at the control's top";
    EXPECT_EQ(listener.values(), (std::vector<float>{4.0f}));
}

TEST_F(PopupMenuTest, ClicksThatCloseTheMenuReachNoControl) {
    auto* other = frame->add(std::make_unique<PopupMenu>(Rect{100, 100, 200, 120}, &listener, 7));
    other->addEntry("x");
    int idles = 0;
    host.onIdle = [&] {
        ++idles;
        if (idles == 1) {
            // The user lets go, then clicks another control of the frame while the menu
            // is up: the press is queued for the frame's window, the button goes down.
            ws->buttons = 0;
            platform::Event e;
            e.type = EventType::MouseDown;
            e.position = {150, 110};
            e.button = 1;
            ws->post(*window, e);
        } else if (idles == 2) {
            ws->pointerOnScreen = {150, 110};
            ws->buttons = mouse::kLeft;
        }
        ASSERT_LT(idles, 50);
    };
    press({15, 15}, mouse::kLeft);
    EXPECT_EQ(idles, 2) << "the press outside closed the menu";
    EXPECT_TRUE(listener.reports.empty());
    ws->buttons = 0;
    frame->idle();
    EXPECT_EQ(ws->lastWindow(StubWindow::Kind::Popup), nullptr) << "no second menu opened";
    EXPECT_TRUE(listener.reports.empty());
}

TEST_F(PopupMenuTest, ItemsAreDrawnInTheControlsFont) {
    int font = -1;
    int rowHeight = 0;
    std::vector<int> textFonts;
    const auto look = [&] {
        font = MenuWindow::active()->font();
        rowHeight = MenuWindow::active()->itemScreenRect(0).height();
        for (const DrawCall& c : popup()->stubCanvas.calls) {
            if (c.kind == DrawCall::Kind::Text) {
                textFonts.push_back(c.style.font);
            }
        }
        key(platform::Key::Escape);
    };
    whileOpen(look);
    press({15, 15}, mouse::kLeft);
    EXPECT_EQ(font, PopupMenu::kDefaultFont);
    const int defaultRow = rowHeight;
    textFonts.clear();
    menu->setFont(6);
    whileOpen(look);
    press({15, 15}, mouse::kLeft);
    EXPECT_EQ(font, 6);
    EXPECT_LT(rowHeight, defaultRow) << "a smaller font makes shorter rows";
    ASSERT_FALSE(textFonts.empty());
    EXPECT_TRUE(std::all_of(textFonts.begin(), textFonts.end(), [](int f) { return f == 6; }));
}

TEST_F(PopupMenuTest, OpenAtFromCodeUsesThePointGiven) {
    auto* added = frame->add(std::make_unique<PopupMenu>(Rect{0, 0, 0, 0}, &listener, 201));
    added->setColumnLength(30);
    for (int i = 0; i < 40; ++i) {
        added->addEntry("file " + std::to_string(i));
    }
    Rect opened;
    Rect item35;
    whileOpen([&] {
        opened = popup()->screenRect;
        item35 = MenuWindow::active()->itemScreenRect(35);
        clickItem(35);
    });
    EXPECT_EQ(added->openAt(window->canvas(), {50, 60}), 35);
    EXPECT_EQ(opened.origin(), (Point{50, 60}));
    EXPECT_GT(item35.left, opened.left + 20) << "in the second column";
    EXPECT_EQ(listener.values(), (std::vector<float>{35.0f}));
    frame->removeControl(added);
}

} // namespace
} // namespace quovent::test
