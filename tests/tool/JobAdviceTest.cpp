// The print tool's count of a job against the library's: the rows it names for a picture fit
// one job, and one row more does not, whatever the commands around the picture.
#include <gtest/gtest.h>

#include "JobAdvice.h"
#include "PngCraft.h"
#include "velmora/convenience/ImagePrintJob.h"

namespace velmora::test {
namespace {

using velmora_print::JobSettings;

TEST(JobAdvice, TheRowsNamedAreTheMostOneJobHolds) {
  const struct {
    JobSettings settings;
    long long width;
  } cases[] = {
      // The tool's own job on an 80 mm printer, with the longest feed it takes.
      {{.density = -1, .feed_mm = 1000, .cut = 1, .alignment = 1, .width_mm = 80, .dots_per_mm = 8},
       640},
      // A printer that reported no dots per mm yet: no print area, the feed at 8 dots per mm
      // (256 dots: two feed commands).
      {{.density = 15, .feed_mm = 32, .cut = 2, .alignment = 2, .width_mm = 58}, 203},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.width);
    const JobSettings &s = c.settings;
    const long long other = velmora_print::OtherCommandBytes(s);
    const long long rows = velmora_print::RowsThatFit(c.width, other);
    const detail::ImageJobSettings job{.binaryzationMethod = 2,
                                       .printAlignment = s.alignment,
                                       .printDensity = s.density,
                                       .feedPaper = s.feed_mm,
                                       .cutPaper = s.cut};
    const VLPrinterResolution resolution(s.width_mm, 0, s.dots_per_mm);
    const auto job_bytes = [&](long long height) {
      const vprinter::PngHeader picture{static_cast<uint32_t>(c.width),
                                        static_cast<uint32_t>(height), 1, 0, 0};
      const auto png = vprinter::PngOfZeros(picture, vprinter::PngDataBytes(picture));
      return static_cast<long long>(detail::RenderImageJob(png, &resolution, job).size());
    };
    EXPECT_EQ(job_bytes(rows), other + velmora_print::RasterBytes(c.width, rows));
    EXPECT_EQ(job_bytes(rows + 1), 0);
    EXPECT_NE(velmora_print::JobNotMadeAdvice(c.width, rows + 1, 0, other)
                  .find("at most " + std::to_string(rows) + " pixels high."),
              std::string::npos);
  }
}

}  // namespace
}  // namespace velmora::test
