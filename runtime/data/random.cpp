#include "runtime/data/random.h"

#include <ctime>
#include <mutex>
#include <random>

namespace rt {
namespace {
std::mutex g_lock;
std::mt19937& Generator() {
  static std::mt19937 generator(std::random_device{}());
  return generator;
}
}  // namespace

void Reseed() {
  std::lock_guard<std::mutex> lock(g_lock);
  // (<chrono> cannot be used here: its literals have no form in the GBK texts
  // this code is compiled with.)
  static uint32_t reseeds = 0;
  const auto now = (static_cast<uint64_t>(std::time(nullptr)) << 20) ^ static_cast<uint64_t>(std::clock()) ^ ++reseeds;
  std::seed_seq seed{static_cast<uint32_t>(now), static_cast<uint32_t>(now >> 32), std::random_device{}()};
  Generator().seed(seed);
}

int32_t RandomInRange(int32_t low, int32_t high) {
  if (high < low) return low;
  std::lock_guard<std::mutex> lock(g_lock);
  return std::uniform_int_distribution<int32_t>(low, high)(Generator());
}

}  // namespace rt
