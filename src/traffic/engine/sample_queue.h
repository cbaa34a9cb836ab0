// A double-ended queue of plain records in one ring of storage: a live
// aircraft's reports, moved without a throw when the live list grows.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <compare>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

namespace gwr {

template <class T>
class SampleQueue {
  // Slots outside the queue keep whatever they held: only records that own
  // nothing may be left there.
  static_assert(std::is_trivially_copyable_v<T> && std::is_default_constructible_v<T>);

public:
  template <bool Const>
  class Iter {
  public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = std::conditional_t<Const, const T*, T*>;
    using reference = std::conditional_t<Const, const T&, T&>;
    using Owner = std::conditional_t<Const, const SampleQueue, SampleQueue>;

    Iter() = default;
    Iter(Owner* queue, difference_type index) : queue_(queue), index_(index) {}
    operator Iter<true>() const
      requires(!Const)
    {
      return {queue_, index_};
    }

    reference operator*() const { return (*queue_)[static_cast<std::size_t>(index_)]; }
    pointer operator->() const { return &**this; }
    reference operator[](difference_type n) const { return *(*this + n); }
    Iter& operator++() { return *this += 1; }
    Iter& operator--() { return *this -= 1; }
    Iter operator++(int) {
      Iter was = *this;
      ++*this;
      return was;
    }
    Iter operator--(int) {
      Iter was = *this;
      --*this;
      return was;
    }
    Iter& operator+=(difference_type n) {
      index_ += n;
      return *this;
    }
    Iter& operator-=(difference_type n) { return *this += -n; }
    friend Iter operator+(Iter it, difference_type n) { return it += n; }
    friend Iter operator+(difference_type n, Iter it) { return it += n; }
    friend Iter operator-(Iter it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iter& a, const Iter& b) { return a.index_ - b.index_; }
    friend bool operator==(const Iter& a, const Iter& b) { return a.index_ == b.index_; }
    friend std::strong_ordering operator<=>(const Iter& a, const Iter& b) { return a.index_ <=> b.index_; }

  private:
    friend class SampleQueue;
    Owner* queue_ = nullptr;
    difference_type index_ = 0;
  };

  using value_type = T;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = T&;
  using const_reference = const T&;
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;

  SampleQueue() = default;
  SampleQueue(const SampleQueue& other) { assign(other.begin(), other.end()); }
  SampleQueue(SampleQueue&& other) noexcept
      : ring_(std::move(other.ring_)), capacity_(other.capacity_), head_(other.head_), size_(other.size_) {
    other.forget();
  }
  SampleQueue& operator=(const SampleQueue& other) {
    if (this != &other) assign(other.begin(), other.end());
    return *this;
  }
  SampleQueue& operator=(SampleQueue&& other) noexcept {
    if (this != &other) {
      giveBack();
      ring_ = std::move(other.ring_);
      capacity_ = other.capacity_;
      head_ = other.head_;
      size_ = other.size_;
      other.forget();
    }
    return *this;
  }
  ~SampleQueue() { giveBack(); }

  size_type size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](size_type i) { return ring_[slot(i)]; }
  const T& operator[](size_type i) const { return ring_[slot(i)]; }
  // The head is kept within the ring: the front needs no wrap (read for every aircraft each pass).
  T& front() { return ring_[head_]; }
  const T& front() const { return ring_[head_]; }
  T& back() { return (*this)[size_ - 1]; }
  const T& back() const { return (*this)[size_ - 1]; }

  iterator begin() { return {this, 0}; }
  iterator end() { return {this, static_cast<difference_type>(size_)}; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, static_cast<difference_type>(size_)}; }

  void clear() {
    head_ = 0;
    size_ = 0;
  }
  // Rings for queues to grow into, kept from the start: a queue's first
  // growths then need no allocation in a pass (see takeSpare).
  static void reserveSpares(size_type capacity, std::size_t count) {
    if (!std::has_single_bit(capacity) || capacity > largestSpare) return;
    Spares& s = spares();
    std::lock_guard lock(s.mutex);
    auto& kept = s.bySize[static_cast<std::size_t>(std::countr_zero(capacity))];
    kept.reserve(sparesPerSize);
    while (kept.size() < std::min(count, sparesPerSize)) kept.push_back(std::make_unique_for_overwrite<T[]>(capacity));
  }
  // The value is copied first: it may be one of the queue's own.
  void push_back(const T& value) {
    const T copy = value;
    roomForOneMore();
    ring_[slot(size_)] = copy;
    ++size_;
  }
  void push_front(const T& value) {
    const T copy = value;
    roomForOneMore();
    head_ = (head_ + capacity_ - 1) & (capacity_ - 1);
    ++size_;
    ring_[head_] = copy;
  }
  void pop_front() {
    head_ = (head_ + 1) & (capacity_ - 1);
    --size_;
  }
  void pop_back() { --size_; }
  void resize(size_type n) {
    while (size_ < n) push_back(T{});
    size_ = n;
  }
  void assign(size_type n, const T& value) {
    const T copy = value;
    clear();
    for (size_type i = 0; i < n; ++i) push_back(copy);
  }
  void assign(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
  template <std::input_iterator It>
  void assign(It first, It last) {
    clear();
    for (; first != last; ++first) push_back(*first);
  }

  // As std::deque does, the shorter side moves: a report taken out or put in
  // next to the front costs the same whatever the queue's length.
  iterator insert(const_iterator at, const T& value) {
    const T copy = value;
    const auto i = static_cast<size_type>(at.index_);
    roomForOneMore();
    if (i < size_ - i) {
      head_ = (head_ + capacity_ - 1) & (capacity_ - 1);
      ++size_;
      for (size_type k = 0; k < i; ++k) (*this)[k] = (*this)[k + 1];
    } else {
      ++size_;
      for (size_type k = size_ - 1; k > i; --k) (*this)[k] = (*this)[k - 1];
    }
    (*this)[i] = copy;
    return {this, at.index_};
  }
  iterator erase(const_iterator at) { return erase(at, at + 1); }
  iterator erase(const_iterator first, const_iterator last) {
    const auto i = static_cast<size_type>(first.index_);
    const auto n = static_cast<size_type>(last.index_ - first.index_);
    if (i < size_ - i - n) {
      for (size_type k = i; k > 0; --k) (*this)[k - 1 + n] = (*this)[k - 1];
      head_ = (head_ + n) & (capacity_ - 1);
    } else {
      for (size_type k = i; k + n < size_; ++k) (*this)[k] = (*this)[k + n];
    }
    size_ -= n;
    return {this, first.index_};
  }

private:
  static constexpr size_type firstCapacity = 8;  // most aircraft queue a few reports

  size_type slot(size_type i) const { return (head_ + i) & (capacity_ - 1); }
  void forget() {
    capacity_ = 0;
    head_ = 0;
    size_ = 0;
  }
  // Grows by doubling, the queue laid out from the ring's start again.
  void roomForOneMore() {
    if (size_ < capacity_) return;
    const size_type grown = capacity_ == 0 ? firstCapacity : 2 * capacity_;
    auto ring = takeSpare(grown);
    for (size_type k = 0; k < size_; ++k) ring[k] = (*this)[k];
    giveBack();
    ring_ = std::move(ring);
    capacity_ = grown;
    head_ = 0;
  }

  // Rings handed back by queues that grew or went, for the next queue of
  // that size. A ring past the allocator's small sizes (from 16 reports on)
  // comes from it only after it has sorted its free lists: tens of
  // microseconds in the pass, each time a new aircraft queues its ninth report.
  // (At most this many of a size, and none of the rare long queues' rings.)
  static constexpr std::size_t sparesPerSize = 256, largestSpare = 64;
  struct Spares {
    std::mutex mutex;
    std::array<std::vector<std::unique_ptr<T[]>>, 64> bySize;  // by the capacity's power of two
  };
  static Spares& spares() {
    // Never destroyed: the queues of static records go after it at exit.
    static Spares* const kept = new Spares;
    return *kept;
  }
  static std::unique_ptr<T[]> takeSpare(size_type capacity) {
    Spares& s = spares();
    {
      std::lock_guard lock(s.mutex);
      auto& kept = s.bySize[static_cast<std::size_t>(std::countr_zero(capacity))];
      if (!kept.empty()) {
        auto ring = std::move(kept.back());
        kept.pop_back();
        return ring;
      }
    }
    return std::make_unique_for_overwrite<T[]>(capacity);
  }
  void giveBack() noexcept {
    if (!ring_ || capacity_ > largestSpare) {
      ring_.reset();
      return;
    }
    Spares& s = spares();
    std::lock_guard lock(s.mutex);
    auto& kept = s.bySize[static_cast<std::size_t>(std::countr_zero(capacity_))];
    try {
      if (kept.size() < sparesPerSize) {
        kept.reserve(sparesPerSize);
        kept.push_back(std::move(ring_));
      }
    } catch (...) {
      // no room to keep it: it is freed
    }
    ring_.reset();
  }

  std::unique_ptr<T[]> ring_;
  size_type capacity_ = 0;  // a power of two, or 0 before the first record
  size_type head_ = 0;
  size_type size_ = 0;
};

} // namespace gwr
