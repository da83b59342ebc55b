#include "zvplot_levels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "zvplot_messages.h"

// How the lines are found, in passes that each cost the samples' or the crossings' count:
// 1. the samples' heights and their extent; the heights to draw (LevelSet);
// 2. for each sample the number of those heights at or below it, its "rank": a sample is above a
//    line when the line's index is below its rank, so the lines an edge or a cell crosses are the
//    indices between its corners' ranks, with no search over the lines;
// 3. the crossings of each edge, one per line between its ends' ranks, numbered edge by edge: the
//    crossings of a sample's two edges (towards +z, then towards +x) start at offset[sample], so a
//    crossing is found by its edge and line in that table;
// 4. the point of each crossing, interpolated along its edge;
// 5. for each cell and each line it crosses, the join of its crossings (marching squares);
// 6. the pieces walked from crossing to crossing: open ones from their ends first, then the loops.
namespace {

constexpr Int32 kNoRank = -1;  // the rank of a sample that is not a number
// Multiples of the step this far from 0 cannot be counted in 64 bits.
constexpr Float kLargestMultiple = 4.0e18;

template <typename T>
std::unique_ptr<T[]> NewArray(Int64 count) {
  if (count < 0 || static_cast<UInt64>(count) > SIZE_MAX / sizeof(T)) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(std::max<Int64>(count, 1))]);
}

// The heights base + m * spacing (spacing above 0) for m from first to last; each line's key is
// sign * m: its number among evenly spaced lines, or the multiple of the step it stands at.
struct LevelRun {
  Float base = 0.0;
  Float spacing = 1.0;
  Int64 first = 0;
  Int64 last = -1;
  Int64 sign = 1;

  Int64 Count() const { return last - first + 1; }
  Float Height(Int64 m) const { return base + static_cast<Float>(m) * spacing; }
  // The least m of [lo, hi] whose height passes the test (above y, at or above y); hi + 1 when none
  // does. Heights grow with m, in steps that rounding may make equal, so this is a search over m.
  template <typename Test>
  Int64 FirstWhere(Int64 lo, Int64 hi, Test passes) const {
    Int64 a = lo, b = hi + 1;
    while (a < b) {
      const Int64 mid = a + (b - a) / 2;
      if (passes(Height(mid)))
        b = mid;
      else
        a = mid + 1;
    }
    return a;
  }
  Int64 FirstAbove(Float y, Int64 lo, Int64 hi) const {
    return FirstWhere(lo, hi, [y](Float h) { return h > y; });
  }
  // The number of the run's heights at or below y: found from the spacing, checked against the
  // heights themselves (a search only where rounding put the estimate off).
  Int64 AtOrBelow(Float y) const {
    const Float guess = std::floor((y - base) / spacing) + 1.0;
    Int64 m = last + 1;
    if (!(guess > static_cast<Float>(first)))
      m = first;
    else if (guess <= static_cast<Float>(last))
      m = static_cast<Int64>(guess);
    for (int tries = 0; tries < 2; ++tries) {
      if (m > first && Height(m - 1) > y)
        --m;
      else if (m <= last && !(Height(m) > y))
        ++m;
      else
        return m - first;
    }
    return FirstAbove(y, first, last) - first;
  }
};

// The heights to draw, ascending, with their keys: one run, or two for a step (the formula's
// negative values and the others, whose heights grow at different rates).
class LevelSet {
 public:
  // Evenly spaced heights strictly between lo and hi.
  void Even(Float lo, Float hi, Int32 count) {
    runCount_ = 0;
    const Float spacing = hi / (count + 1.0) - lo / (count + 1.0);  // no overflow of hi - lo
    if (count < 1 || !(spacing > 0.0) || !std::isfinite(spacing)) return;
    runs_[runCount_++] = LevelRun{lo, spacing, 1, count, 1};
    Merge();
  }

  // The multiples of a step plotted strictly between lo and hi, thinned to at most
  // kMaxLevelLines by doubling the step.
  void Multiples(Float lo, Float hi, const LevelChoice& c) {
    for (int doubling = 0; doubling < 2200; ++doubling) {
      const Float step = std::ldexp(c.step, doubling);
      if (!std::isfinite(step)) break;
      runCount_ = 0;
      Int64 total = 0;
      // Value 0 counts with the values above it.
      AddSide(lo, hi, step * c.perNegative, -kLargestMultiple, -1.0, &total);
      AddSide(lo, hi, step * c.perPositive, 0.0, kLargestMultiple, &total);
      if (total <= kMaxLevelLines) {
        Merge();
        return;
      }
    }
    runCount_ = 0;
    count_ = 0;
  }

  Int32 Count() const { return count_; }
  Float Height(Int32 g) const { return heights_[g]; }
  Int64 Key(Int32 g) const { return keys_[g]; }
  // The number of heights at or below y: the sample's rank.
  Int32 AtOrBelow(Float y) const {
    Int64 rank = 0;
    for (Int32 r = 0; r < runCount_; ++r) rank += runs_[r].AtOrBelow(y);
    return static_cast<Int32>(rank);
  }
  // The line thinning counts from: the one nearest the value 0 for a step (0 itself when it is
  // drawn), the lowest of evenly spaced lines.
  Int32 Anchor() const {
    Int32 anchor = 0;
    const auto size = [](Int64 key) { return key < 0 ? -key : key; };
    for (Int32 g = 1; g < count_; ++g)
      if (size(keys_[g]) < size(keys_[anchor])) anchor = g;
    return anchor;
  }
  static Bool Kept(Int32 g, Int32 anchor, Int64 every) { return (g - anchor) % every == 0; }
  // Keeps every `every`-th line from the anchor up and down; `rankOf[r]` becomes the new rank of
  // a sample that had rank r.
  void Keep(Int64 every, Int32* rankOf) {
    const Int32 anchor = Anchor();
    Int32 kept = 0;
    for (Int32 g = 0; g < count_; ++g) {
      rankOf[g] = kept;
      if (Kept(g, anchor, every)) {
        heights_[kept] = heights_[g];
        keys_[kept] = keys_[g];
        ++kept;
      }
    }
    rankOf[count_] = kept;
    count_ = kept;
  }

 private:
  // The multiples k of a step of height `perStep` with k in [kLo, kHi] and their heights strictly
  // between lo and hi.
  void AddSide(Float lo, Float hi, Float perStep, Float kLo, Float kHi, Int64* total) {
    if (!(perStep != 0.0) || !std::isfinite(perStep)) return;
    LevelRun run;
    run.spacing = std::fabs(perStep);
    run.sign = perStep > 0.0 ? 1 : -1;
    // m = sign * k, whose heights m * spacing grow with m.
    const Float mLo = perStep > 0.0 ? kLo : -kHi;
    const Float mHi = perStep > 0.0 ? kHi : -kLo;
    const Int64 lowest = static_cast<Int64>(mLo), highest = static_cast<Int64>(mHi);
    run.first = run.FirstAbove(lo, lowest, highest);
    // The last m below hi: one before the first at or above it.
    run.last = run.FirstWhere(run.first, highest, [hi](Float h) { return h >= hi; }) - 1;
    if (run.Count() <= 0) return;
    *total += run.Count();
    if (*total <= kMaxLevelLines) runs_[runCount_++] = run;
  }

  void Merge() {
    count_ = 0;
    Int64 m[2] = {runs_[0].first, runs_[1].first};
    while (count_ < kMaxLevelLines) {
      Int32 from = -1;
      for (Int32 r = 0; r < runCount_; ++r) {
        if (m[r] > runs_[r].last) continue;
        if (from < 0 || runs_[r].Height(m[r]) < runs_[from].Height(m[from])) from = r;
      }
      if (from < 0) break;
      heights_[count_] = runs_[from].Height(m[from]);
      keys_[count_] = runs_[from].sign * m[from];
      ++count_;
      ++m[from];
    }
  }

  LevelRun runs_[2];
  Int32 runCount_ = 0;
  Int32 count_ = 0;
  Float heights_[kMaxLevelLines];
  Int64 keys_[kMaxLevelLines];
};

// The pieces' points and segments, counted (no output) or written, one place at a time. A point
// equal to the one before it is left out, and so is a piece of fewer than two points.
struct PieceSink {
  Vector* points = nullptr;
  Segment* segments = nullptr;
  Int32 pointCount = 0;
  Int32 segmentCount = 0;

  void Begin() { start_ = pointCount; }
  // The first point is written with the second, so that a piece left out writes nothing.
  void Add(const Vector& p) {
    if (pointCount > start_ && p == last_) return;
    if (pointCount == start_) {
      first_ = p;
    } else if (points) {
      if (pointCount == start_ + 1) points[start_] = first_;
      points[pointCount] = p;
    }
    last_ = p;
    ++pointCount;
  }
  void End(Bool closed) {
    Int32 count = pointCount - start_;
    if (closed && count > 1 && last_ == first_) {
      --pointCount;
      --count;
    }
    if (count < 2) {
      pointCount = start_;
      return;
    }
    if (segments) segments[segmentCount] = Segment{count, closed && count >= 3};
    ++segmentCount;
  }

 private:
  Int32 start_ = 0;
  Vector first_, last_;
};

class LevelTracer {
 public:
  LevelTracer(const PlotSample* samples, Int32 n) : samples_(samples), n_(n) {}

  SplineObject* Build(const LevelChoice& choice, const LevelPlaces& places) {
    if (n_ < 2 || (!places.surface && !places.floor)) return nullptr;
    const Int64 count = Int64(n_) * n_;
    if (2 * count > INT32_MAX) return nullptr;
    if (!ReadHeights(count)) return nullptr;
    if (choice.step > 0.0)
      levels_.Multiples(lowest_, highest_, choice);
    else
      levels_.Even(lowest_, highest_, std::clamp(choice.count, 1, kMaxLevelLines));
    if (levels_.Count() == 0 || !Rank(count) || !Number(count)) return nullptr;
    if (!Cross()) return nullptr;
    Join();
    return Output(places);
  }

 private:
  // Pass 1: the heights in one array, and the lowest and highest finite one.
  Bool ReadHeights(Int64 count) {
    y_ = NewArray<Float>(count);
    if (!y_) return false;
    lowest_ = HUGE_VAL;
    highest_ = -HUGE_VAL;
    for (Int64 s = 0; s < count; ++s) {
      const Float h = samples_[s].position.y;
      y_[s] = h;
      if (std::isfinite(h)) {
        lowest_ = std::min(lowest_, h);
        highest_ = std::max(highest_, h);
      }
    }
    return lowest_ < highest_;
  }

  // Pass 2: each sample's rank.
  Bool Rank(Int64 count) {
    rank_ = NewArray<Int32>(count);
    if (!rank_) return false;
    for (Int64 s = 0; s < count; ++s)
      rank_[s] = std::isfinite(y_[s]) ? levels_.AtOrBelow(y_[s]) : kNoRank;
    return true;
  }

  // The crossings of the edge from sample a to sample b, one per line between their ranks.
  Int32 EdgeCrossings(Int64 a, Int64 b) const {
    const Int32 ra = rank_[a], rb = rank_[b];
    if (ra == kNoRank || rb == kNoRank) return 0;
    return ra > rb ? ra - rb : rb - ra;
  }
  Int32 ZCrossings(Int64 s, Int32 j) const { return j + 1 < n_ ? EdgeCrossings(s, s + 1) : 0; }
  Int32 XCrossings(Int64 s, Int32 i) const { return i + 1 < n_ ? EdgeCrossings(s, s + n_) : 0; }

  // Pass 3: the offsets of each sample's crossings, when the lines keep within the point limit.
  // Otherwise every second line is left out (every fourth, ...), and the ranks follow.
  Bool Number(Int64 count) {
    offset_ = NewArray<Int32>(count + 1);
    if (!offset_) return false;
    const Int64 limit = LevelLinePointLimit(n_);
    if (Offsets(limit) <= limit) return true;

    Int64 perLine[kMaxLevelLines] = {};
    CountPerLine(perLine);
    const Int32 anchor = levels_.Anchor();
    Int64 every = 1, total = limit + 1;
    // One line alone crosses each edge at most once, which is below the limit.
    while (total > limit && every < levels_.Count()) {
      every *= 2;
      total = 0;
      for (Int32 g = 0; g < levels_.Count(); ++g)
        if (LevelSet::Kept(g, anchor, every)) total += perLine[g];
    }
    Int32 rankOf[kMaxLevelLines + 1];
    levels_.Keep(every, rankOf);
    for (Int64 s = 0; s < count; ++s)
      if (rank_[s] != kNoRank) rank_[s] = rankOf[rank_[s]];
    return Offsets(limit) <= limit;
  }

  // The running count of crossings sample by sample, written while it stays within the limit.
  Int64 Offsets(Int64 limit) {
    Int64 total = 0;
    for (Int32 i = 0; i < n_; ++i) {
      for (Int32 j = 0; j < n_; ++j) {
        const Int64 s = Int64(i) * n_ + j;
        offset_[s] = static_cast<Int32>(std::min(total, limit));
        total += ZCrossings(s, j) + XCrossings(s, i);
      }
    }
    crossings_ = static_cast<Int32>(std::min(total, limit));
    return total;
  }

  // Each line's count of crossings: an edge adds one to every line between its ends' ranks,
  // written as a change at the lower rank and its undoing at the higher.
  void CountPerLine(Int64* perLine) const {
    Int64 changes[kMaxLevelLines + 1] = {};
    for (Int32 i = 0; i < n_; ++i) {
      for (Int32 j = 0; j < n_; ++j) {
        const Int64 s = Int64(i) * n_ + j;
        for (const Int64 t : {j + 1 < n_ ? s + 1 : Int64(-1), i + 1 < n_ ? s + n_ : Int64(-1)}) {
          if (t < 0 || rank_[s] == kNoRank || rank_[t] == kNoRank) continue;
          ++changes[std::min(rank_[s], rank_[t])];
          --changes[std::max(rank_[s], rank_[t])];
        }
      }
    }
    Int64 running = 0;
    for (Int32 g = 0; g < levels_.Count(); ++g) perLine[g] = running += changes[g];
  }

  // Pass 4: the crossings' points, and room for their joins.
  Bool Cross() {
    points_ = NewArray<Vector>(crossings_);
    links_ = NewArray<Int32>(2 * Int64(crossings_));
    marks_ = NewArray<UChar>(crossings_);
    if (!points_ || !links_ || !marks_) return false;
    std::fill(links_.get(), links_.get() + 2 * Int64(crossings_), -1);
    std::fill(marks_.get(), marks_.get() + crossings_, UChar(0));
    for (Int32 i = 0; i < n_; ++i) {
      for (Int32 j = 0; j < n_; ++j) {
        const Int64 s = Int64(i) * n_ + j;
        Int32 id = offset_[s];
        if (j + 1 < n_) id = EdgePoints(s, s + 1, id);
        if (i + 1 < n_) EdgePoints(s, s + n_, id);
      }
    }
    return true;
  }

  // The points where the lines cross the edge from a to b, from the lowest line up, each at its
  // line's height exactly.
  Int32 EdgePoints(Int64 a, Int64 b, Int32 id) {
    const Int32 ra = rank_[a], rb = rank_[b];
    if (ra == kNoRank || rb == kNoRank || ra == rb) return id;
    const Vector& pa = samples_[a].position;
    const Vector& pb = samples_[b].position;
    const Float ya = y_[a], dy = y_[b] - y_[a];
    for (Int32 g = std::min(ra, rb); g < std::max(ra, rb); ++g) {
      const Float h = levels_.Height(g);
      Vector p = pa + (pb - pa) * ((h - ya) / dy);
      p.y = h;
      points_[id++] = p;
    }
    return id;
  }

  void Link(Int32 a, Int32 b) {
    Int32* la = &links_[2 * Int64(a)];
    Int32* lb = &links_[2 * Int64(b)];
    if (la[1] >= 0 || lb[1] >= 0) return;  // never: a crossing is on at most two cells
    la[la[0] < 0 ? 0 : 1] = b;
    lb[lb[0] < 0 ? 0 : 1] = a;
  }

  // Pass 5: marching squares. A cell's corners 0 to 3 are (i, j), (i, j + 1), (i + 1, j + 1) and
  // (i + 1, j); its edge k runs from corner k to corner k + 1 (mod 4).
  void Join() {
    for (Int32 i = 0; i + 1 < n_; ++i) {
      for (Int32 j = 0; j + 1 < n_; ++j) {
        const Int64 c[4] = {Int64(i) * n_ + j, Int64(i) * n_ + j + 1, Int64(i + 1) * n_ + j + 1,
                            Int64(i + 1) * n_ + j};
        const Int32 r[4] = {rank_[c[0]], rank_[c[1]], rank_[c[2]], rank_[c[3]]};
        if (r[0] == kNoRank || r[1] == kNoRank || r[2] == kNoRank || r[3] == kNoRank) continue;
        const Int32 low = std::min({r[0], r[1], r[2], r[3]});
        const Int32 high = std::max({r[0], r[1], r[2], r[3]});
        if (low == high) continue;
        // The crossing of line g on edge k is base[k] + g: the edge's first crossing is that of
        // the lower of its ends' ranks.
        const Int32 base[4] = {
            offset_[c[0]] - std::min(r[0], r[1]),
            offset_[c[1]] + ZCrossings(c[1], j + 1) - std::min(r[1], r[2]),
            offset_[c[3]] - std::min(r[3], r[2]),
            offset_[c[0]] + ZCrossings(c[0], j) - std::min(r[0], r[3]),
        };
        for (Int32 g = low; g < high; ++g) {
          Bool above[4];
          for (int k = 0; k < 4; ++k) above[k] = g < r[k];
          Int32 cut[4];
          int cuts = 0;
          for (int k = 0; k < 4; ++k)
            if (above[k] != above[(k + 1) % 4]) cut[cuts++] = k;
          if (cuts == 2) {
            Link(base[cut[0]] + g, base[cut[1]] + g);
            continue;
          }
          // A saddle: the centre joins the two corners on its side, and the lines cut off the
          // other two, each by the edges that meet at it.
          const Float centre = (y_[c[0]] + y_[c[1]] + y_[c[2]] + y_[c[3]]) * 0.25;
          const Bool centreAbove = centre >= levels_.Height(g);
          for (int k = 0; k < 4; ++k)
            if (above[k] != centreAbove) Link(base[(k + 3) % 4] + g, base[k] + g);
        }
      }
    }
  }

  // Pass 6: every piece into the sink, open ones from an end, then the loops.
  void Walk(PieceSink* sink, UChar stamp) {
    for (Int32 id = 0; id < crossings_; ++id)
      if (marks_[id] != stamp && links_[2 * Int64(id)] >= 0 && links_[2 * Int64(id) + 1] < 0)
        Trace(sink, id, stamp, false);
    for (Int32 id = 0; id < crossings_; ++id)
      if (marks_[id] != stamp && links_[2 * Int64(id) + 1] >= 0) Trace(sink, id, stamp, true);
  }

  void Trace(PieceSink* sink, Int32 start, UChar stamp, Bool closed) {
    sink->Begin();
    Int32 previous = -1, at = start;
    for (;;) {
      marks_[at] = stamp;
      sink->Add(points_[at]);
      const Int32* l = &links_[2 * Int64(at)];
      const Int32 next = l[0] != previous ? l[0] : l[1];
      if (next < 0 || marks_[next] == stamp) break;
      previous = at;
      at = next;
    }
    sink->End(closed);
  }

  SplineObject* Output(const LevelPlaces& places) {
    PieceSink counted;
    Walk(&counted, 1);
    const Int32 copies = (places.surface ? 1 : 0) + (places.floor ? 1 : 0);
    SplineObject* spline = SplineObject::Alloc(copies * counted.pointCount, SPLINETYPE::LINEAR);
    if (!spline || counted.segmentCount == 0) return spline;
    if (!spline->ResizeObject(-1, copies * counted.segmentCount) || !spline->GetSegmentW()) {
      BaseObject* op = spline;
      BaseObject::Free(op);
      return nullptr;
    }
    PieceSink written;
    written.points = spline->GetPointW();
    written.segments = spline->GetSegmentW();
    Walk(&written, 2);
    if (!places.floor) return spline;
    Vector* floor = written.points;
    if (places.surface) {
      floor += written.pointCount;
      std::copy(written.points, floor, floor);
      std::copy(written.segments, written.segments + written.segmentCount,
                written.segments + written.segmentCount);
    }
    for (Int32 k = 0; k < written.pointCount; ++k) floor[k].y = places.floorHeight;
    return spline;
  }

  const PlotSample* samples_;
  const Int32 n_;
  Float lowest_ = 0.0, highest_ = 0.0;
  LevelSet levels_;
  std::unique_ptr<Float[]> y_;
  std::unique_ptr<Int32[]> rank_;
  std::unique_ptr<Int32[]> offset_;
  Int32 crossings_ = 0;
  std::unique_ptr<Vector[]> points_;
  std::unique_ptr<Int32[]> links_;  // each crossing's two neighbours on its piece, -1 for none
  std::unique_ptr<UChar[]> marks_;  // the walk that took the crossing last
};

}  // namespace

Int64 LevelLinePointLimit(Int64 n) { return n > 0 ? 2 * n * n : 0; }

Int64 LevelLineBytes(Int64 n, Int32 places) {
  const Int64 samples = n > 0 ? n * n : 0;
  const Int64 crossings = LevelLinePointLimit(n);
  // Per sample its height, rank and offset; per crossing its point, two links and a mark; per
  // placed point its point and at most half a segment; the lines themselves on the stack.
  const Int64 perSample = sizeof(Float) + 2 * sizeof(Int32);
  const Int64 perCrossing = sizeof(Vector) + 2 * sizeof(Int32) + sizeof(UChar);
  const Int64 perPoint = sizeof(Vector) + sizeof(Segment) / 2 + 1;
  return samples * perSample + crossings * perCrossing + places * crossings * perPoint +
         Int64(sizeof(LevelTracer));
}

SplineObject* BuildLevelLines(const PlotSample* samples, Int32 n, const LevelChoice& choice,
                              const LevelPlaces& places) {
  SplineObject* spline = nullptr;
  if (samples) {
    auto tracer = std::unique_ptr<LevelTracer>(new (std::nothrow) LevelTracer(samples, n));
    if (tracer) spline = tracer->Build(choice, places);
  }
  return spline ? spline : SplineObject::Alloc(0, SPLINETYPE::LINEAR);
}
