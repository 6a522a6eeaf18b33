// The level-slider example in a real window under a test host: the bar it
// paints follows the level on pin 0, and a click sends the level under the
// mouse back on pin 0.
#include <windows.h>

#include <gtest/gtest.h>

#include "LevelSliderGui.h"
#include "interfaces/InterfaceIds.h"
#include "testing/LegacyHost.h"
#include "testing/ModuleFactory.h"
#include "win/TestWindows.h"

using corvane::testing::LegacyHost;

namespace {

class LevelSlider : public ::testing::Test {
protected:
    void SetUp() override {
        const auto created = corvane::testing::createLegacy(u"Example-LevelSlider", host.unknown());
        ASSERT_EQ(created.result, gmpi::ResultOk);
        object = created.legacy();
        graphics()->queryInterface(gmpi::IID_IMpGraphicsWinGdi, &view);
        ASSERT_NE(view, nullptr);
        const MpRect placement{0, 20, 0, 100};  // 100 wide, 20 high
        gdi()->arrange(&placement);
        void* opened = nullptr;
        gdi()->openWindow(parent.handle, &opened);
        window = static_cast<HWND>(opened);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        if (view != nullptr) {
            gdi()->closeWindow();
            gdi()->release();
        }
        if (object != nullptr) object->release();
    }

    IMpGraphicsWinGdi* gdi() { return static_cast<IMpGraphicsWinGdi*>(view); }
    gmpi::IMpUnknown* graphics() { return object; }

    void setLevel(float level) {
        object->setPin(0, 0, sizeof level, &level);
        object->notifyPin(0, 0);
    }
    /// The window's pixel at (x, y) once pending paints are done.
    COLORREF pixel(int x, int y) {
        UpdateWindow(window);
        HDC deviceContext = GetDC(window);
        const COLORREF colour = GetPixel(deviceContext, x, y);
        ReleaseDC(window, deviceContext);
        return colour;
    }

    LegacyHost host;
    gmpi::IMpUserInterface* object = nullptr;
    void* view = nullptr;
    ParentWindow parent;
    HWND window = nullptr;
};

}  // namespace

TEST_F(LevelSlider, PaintsTheLevelAsABar) {
    struct Row {
        float level;
        COLORREF atTenPercent;
        COLORREF atNinetyPercent;
    } rows[] = {
        {0.5f, LevelSliderGui::Bar, LevelSliderGui::Background},
        {0.95f, LevelSliderGui::Bar, LevelSliderGui::Bar},
        {0.05f, LevelSliderGui::Background, LevelSliderGui::Background},
        {2.0f, LevelSliderGui::Bar, LevelSliderGui::Bar},  // clamped to 1
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        setLevel(row.level);
        EXPECT_EQ(pixel(10, 2), row.atTenPercent);
        EXPECT_EQ(pixel(90, 2), row.atNinetyPercent);
    }
}

TEST_F(LevelSlider, AClickSendsTheLevelUnderTheMouse) {
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(75, 10));
    ASSERT_FALSE(host.sent.empty());
    const auto& last = host.sent.back();
    EXPECT_EQ(last.pinIndex, 0);
    ASSERT_EQ(last.byteSize, 4);
    EXPECT_FLOAT_EQ(last.number(), 0.75f);
    EXPECT_EQ(pixel(70, 2), LevelSliderGui::Bar);
    EXPECT_EQ(pixel(80, 2), LevelSliderGui::Background);
}
