#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "titleformat/title_format.h"
#include "titleformat/title_format_cache.h"

namespace tessaly {
namespace {

int compilations = 0;

// Called once for each variable of a format compiled.
int counting_resolver(std::string_view) {
  ++compilations;
  return -1;
}

std::optional<std::string> own_name(std::string_view name) {
  return std::string(name);
}

class OwnName final : public TitleVariables {
public:
  void append_value(std::string_view name, int, std::string& out) const override { out += name; }
};

// Steps of one cache: the format asked for, and the compilations made so far.
struct Step {
  std::string format;
  int compiled;
};

void run_steps(TitleFormatCache& cache, const std::vector<Step>& steps) {
  compilations = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    EXPECT_EQ(format_title_text(step.format, own_name), cache.get(step.format).apply(OwnName()))
        << "step " << i;
    EXPECT_EQ(step.compiled, compilations) << "step " << i;
  }
}

TEST(TitleFormatCache, KeepsTheLastFewUsed) {
  TitleFormatCache cache(counting_resolver, 2);
  run_steps(cache, {{"%a%", 1},
                    {"%a%", 1},
                    {"%b%", 2},
                    {"%a%", 2},
                    // The least recently used goes.
                    {"%c%", 3},
                    {"%a%", 3},
                    {"%b%", 4},
                    {"%a%x", 5}});
}

TEST(TitleFormatCache, KeepsWithinItsBytes) {
  TitleFormatCache cache(counting_resolver, 8, 8192);
  const std::string large = "%a%" + std::string(10000, 'x');
  const std::string third = "%c%" + std::string(3000, 'x');
  run_steps(cache, {{"%a%", 1},
                    // Larger than the whole bound: compiled each time, and nothing else goes.
                    {large, 2},
                    {large, 3},
                    {"%a%", 3},
                    {"%b%" + std::string(3000, 'x'), 4},
                    // Two of these fill the bound: the oldest goes.
                    {third, 5},
                    {"%a%", 6},
                    {third, 6}});
}

} // namespace
} // namespace tessaly
