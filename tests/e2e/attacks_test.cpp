// Attempts to get past the lock without its password; all of them leave it locked and counting.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

using Attack = LockTest;

// The number in the caption goes down.
::testing::AssertionResult countsDown(const Lock& lock) {
    const std::string before = lock.caption();
    const std::string after = lock.waitForCaptionChange(before);
    const auto from = countdownSeconds(before);
    const auto to = countdownSeconds(after);
    if (from && to && *to < *from) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "the caption went from \"" << before << "\" to \"" << after << '"';
}

// The clipboard owns the memory once it has taken it; left to the end of the run otherwise.
bool putOnClipboard(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    const bool put = ::OpenClipboard(nullptr) && ::EmptyClipboard() &&
                     ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    ::CloseClipboard();
    return put;
}

TEST_F(Attack, SystemMenuHasNoCloseToChoose) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.pressWithAlt(VK_SPACE);
    ASSERT_TRUE(poll([&] { return lock.inMenu(); }, [](bool in) { return in; }))
        << "Alt+Space opened no system menu";
    lock.press('C');
    // Wine leaves the popup with the first Escape and the menu with the second.
    lock.press(VK_ESCAPE);
    lock.press(VK_ESCAPE);
    EXPECT_FALSE(poll([&] { return lock.inMenu(); }, [](bool in) { return !in; }));
    lock.type("a");
    EXPECT_EQ(lock.waitForFieldLength(1), 1);
    EXPECT_TRUE(lock.running());
    EXPECT_TRUE(countsDown(lock));
}

TEST_F(Attack, MinimisingFromOutsideLeavesTheLockCounting) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    // As the minimise button would (sent: handled once the call returns), then directly.
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(lock.window(), WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_ABORTIFHUNG, 5000,
                          &result);
    ::ShowWindow(lock.window(), SW_MINIMIZE);
    EXPECT_TRUE(lock.running());
    EXPECT_TRUE(countsDown(lock));
}

TEST_F(Attack, CommandWordAloneLeavesTheCountdownToShutDown) {
    writeSetting("Key", "geheim");
    writeSetting("TimeOut", "3");
    ASSERT_TRUE(lock.start());
    ASSERT_TRUE(lock.enter("new Paßwort"));
    ASSERT_EQ(lock.nextBox().text, "Gib das alte Paßwort ein.");
    ASSERT_TRUE(lock.answer(VK_RETURN));
    const std::vector<std::string> records = shutdownRecords(1);
    EXPECT_EQ(records, std::vector(std::max<std::size_t>(records.size(), 1), shutdownRecord()));
    EXPECT_TRUE(lock.running());
}

TEST_F(Attack, PastedMegabyteIsAWrongPassword) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    constexpr int kLength = 1 << 20;
    ASSERT_TRUE(putOnClipboard(std::wstring(kLength, L'x')));
    lock.pressWith(VK_CONTROL, 'V');
    ASSERT_EQ(lock.waitForFieldLength(kLength), kLength);
    lock.press(VK_RETURN);
    EXPECT_EQ(lock.nextBox(),
              okBox("Fehler", "Das ist nicht richtig. Du hast jetzt noch 4 Versuche.", Icon::Stop));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForFieldLength(0), 0);
    EXPECT_TRUE(lock.running());
}

TEST_F(Attack, HundredWrongEntriesFromNegativeTriesKeepTheLock) {
    storePassword("geheim");
    writeSetting("maxFehler", "-5");
    ASSERT_TRUE(lock.start());
    Box last;
    for (int entry = 1; entry <= 100; ++entry) {
        ASSERT_TRUE(lock.enter("x")) << "entry " << entry;
        last = lock.nextBox();
        ASSERT_TRUE(lock.answer(VK_RETURN)) << "entry " << entry;
    }
    EXPECT_EQ(last, okBox("Fehler", "Das ist nicht richtig. Du hast jetzt noch -105 Versuche.",
                          Icon::Stop));
    EXPECT_TRUE(lock.running());
}

TEST_F(Attack, SecondInstanceRunsBesideTheFirstAndEachEndsOnItsOwn) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    Lock second;
    ASSERT_TRUE(second.start());
    EXPECT_NE(second.window(), lock.window());
    EXPECT_TRUE(lock.running());
    ASSERT_TRUE(lock.enter("geheim"));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_TRUE(second.running());
    ASSERT_TRUE(second.enter("geheim"));
    EXPECT_EQ(second.waitForExit(), 0u);
}

}  // namespace
}  // namespace torvelt::e2e
