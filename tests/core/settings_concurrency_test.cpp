// Several threads saving and reading settings at once: the file must stay
// whole and end with every thread's last value.
#include "core/settings_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <fmt/format.h>

#include "core/settings_catalogue.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

constexpr int saverThreads = 8;
constexpr int savesPerThread = 100;

TEST(SettingsConcurrency, ThreadsSavingDifferentSettingsLeaveEveryLastValue) {
  testsupport::SettingsSandbox sandbox;
  ASSERT_TRUE(gf_loadParameters());
  platform::gf_headlessControlSurface().createControl(CALLSIGN_2_OBJECTID.controlId);

  NumberParameter<std::int32_t>* numbers[] = {&HOLDING_THRESHOLD_METERS, &MAX_HOLDING_MINUTES, &LAST_EPOCH_TIME,
                                              &CUSTOM_PARKING_PERCENTAGE};
  auto numberValue = [&](int thread, int round) { return numbers[thread]->min + round % 40; };
  auto textValue = [](int thread, int round) { return fmt::format("folder {} round {}", thread, round); };

  std::atomic<bool> saversDone{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < saverThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < savesPerThread; ++round) {
        if (t < 4) {
          numbers[t]->setCurrent(numberValue(t, round));
          numbers[t]->save();
        } else {
          lfolders[static_cast<std::size_t>(t - 4)].set(textValue(t, round));
        }
      }
    });
  }
  // Readers of the values and of the shared callsign list meanwhile.
  std::thread reader([&] {
    int round = 0;
    while (!saversDone.load()) {
      static_cast<void>(lfolders[0].current().size());
      callsignChoices->replace({"", fmt::format("CS{}", round++)});
      gf_fillCallsignCombo();
    }
  });
  for (auto& thread : threads) thread.join();
  saversDone.store(true);
  reader.join();

  EXPECT_EQ(sandbox.storedEntries().size(), 60U);
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(sandbox.storedValue(numbers[t]->key), fmt::format("{}", numberValue(t, savesPerThread - 1)));
  for (int t = 4; t < saverThreads; ++t)
    EXPECT_EQ(sandbox.storedValue(lfolders[static_cast<std::size_t>(t - 4)].key),
              textValue(t, savesPerThread - 1));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(gf_perUserFolder()), {}), 1);
}

} // namespace
} // namespace gwr
