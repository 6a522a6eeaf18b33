// The level-slider example in a real window under a test host: the bar it
// paints follows the level on pin 0, and a click sends the level under the
// mouse back on pin 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "LegacyTestHost.h"
#include "LevelSliderGui.h"
#include "win/TestWindows.h"

namespace {

class LevelSlider : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(object->setHost(host.unknown()), gmpi::ResultOk);
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
        gdi()->closeWindow();
        gdi()->release();
        object->release();
    }

    IMpGraphicsWinGdi* gdi() { return static_cast<IMpGraphicsWinGdi*>(view); }
    gmpi::IMpUnknown* graphics() { return static_cast<gmpi::IMpUserInterface*>(object); }

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

    LegacyTestHost host;
    LevelSliderGui* object = new LevelSliderGui;
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
    float sent = 0.0f;
    std::memcpy(&sent, last.bytes.data(), sizeof sent);
    EXPECT_FLOAT_EQ(sent, 0.75f);
    EXPECT_EQ(pixel(70, 2), LevelSliderGui::Bar);
    EXPECT_EQ(pixel(80, 2), LevelSliderGui::Background);
}
