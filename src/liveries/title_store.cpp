// The append-only title store: node-based so stored texts never move, and
// never cleared, so no view of a title can dangle.
#include "liveries/title_store.h"

#include <mutex>
#include <unordered_set>

#include "liveries/livery_hash.h"

namespace gwr {

namespace {

struct TitleStore {
  std::mutex lock;
  std::unordered_set<std::string, TitleHash, TitleEqual> titles;
};

// Deliberately never destroyed: views may be read until the process ends.
TitleStore& lf_store() {
  static auto* store = new TitleStore;
  return *store;
}

} // namespace

std::string_view gf_storeTitle(std::string_view title) {
  TitleStore& store = lf_store();
  std::lock_guard guard(store.lock);
  auto found = store.titles.find(title);
  if (found == store.titles.end()) found = store.titles.emplace(title).first;
  return *found;
}

} // namespace gwr
