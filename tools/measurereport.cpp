#include "tools/measurereport.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "occlusion/globals.h"

namespace {

// How many false culls of each method the summary lists; the --false-culls file gets all.
constexpr std::size_t kListedFalseCulls = 10;

struct Series {
    std::string name;
    std::vector<double> ms;
};

// One value per view.
std::vector<double> perView(const std::vector<ViewRecord>& records,
                            const std::function<double(const ViewRecord&)>& value) {
    std::vector<double> values;
    values.reserve(records.size());
    for (const ViewRecord& r : records) values.push_back(value(r));
    return values;
}

}  // namespace

std::string describeObject(std::size_t object, const Options& options) {
    char text[64];
    if (options.sceneKind == SceneKind::Demo) {
        const std::size_t side = static_cast<std::size_t>(2 * options.halfCells + 1);
        std::snprintf(text, sizeof text, "object %zu (grid cell %zu, %zu)", object, object / side,
                      object % side);
    } else {
        std::snprintf(text, sizeof text, "object %zu", object);
    }
    return text;
}

std::string describeCamera(const CameraState& c) {
    char text[96];
    std::snprintf(text, sizeof text, "rotX %g rotZ %g zoom %g pan %g %g",
                  static_cast<double>(c.rotX), static_cast<double>(c.rotZ),
                  static_cast<double>(c.zoom), static_cast<double>(c.panX),
                  static_cast<double>(c.panY));
    return text;
}

std::ofstream openOutput(const std::string& path) {
    std::ofstream out(path);
    if (!out) {
        std::fprintf(stderr, "error: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return out;
}

void writeCsvHeader(std::ostream& out) {
    out << "view,rotX,rotZ,zoom,panX,panY,objects,visible,hidden";
    for (const CullingMethod& m : kCullingMethods) {
        out << ',' << m.column << "_culled," << m.column << "_false," << m.column << "_missed";
    }
    out << ",queries_drawn,queries_false";
    out << ",truth_ms,none_ms,oracle_ms,queries_ms";
    for (const CullingMethod& m : kCullingMethods) {
        out << ',' << m.column << "_ms";
        for (const char* stage : kStageNames) out << ',' << m.column << '_' << stage << "_ms";
        out << ',' << m.column << "_gridfill_ms";
    }
    for (const CullingMethod& m : kCullingMethods)
        out << ',' << m.column << "_sequence_overhead_ms";
    out << '\n';
}

void writeCsvRow(std::ostream& out, std::size_t view, const ViewRecord& r) {
    const CameraState& c = r.camera;
    const DecisionCounts& first = r.culling[0];
    out << view << ',' << c.rotX << ',' << c.rotZ << ',' << c.zoom << ',' << c.panX << ',' << c.panY
        << ',' << (first.visible + first.hidden) << ',' << first.visible << ',' << first.hidden;
    for (const DecisionCounts& d : r.culling) {
        out << ',' << d.culled << ',' << d.falseCulls << ',' << d.missed;
    }
    out << ',' << (r.queries.visible + r.queries.hidden - r.queries.culled) << ','
        << r.queries.falseCulls;
    out << ',' << r.truthMs << ',' << r.noneMs << ',' << r.oracleMs << ',' << r.queriesMs;
    for (const HomRun& run : r.runs) {
        out << ',' << run.frameMs;
        for (double ms : run.stageMs) out << ',' << ms;
        out << ',' << run.gridFillMs;
    }
    for (double ms : r.sequenceOverheadMs) out << ',' << ms;
    out << '\n';
}

void writeFalseCullHeader(std::ostream& out) {
    out << "view,rotX,rotZ,zoom,panX,panY,method,object,visible_pixels,uncovered_pixels,"
           "before_occluder_pixels\n";
}

void writeFalseCullRow(std::ostream& out, const FalseCull& f) {
    const CameraState& c = f.camera;
    out << f.view << ',' << c.rotX << ',' << c.rotZ << ',' << c.zoom << ',' << c.panX << ','
        << c.panY << ',' << f.method << ',' << f.object << ',' << f.pixels << ','
        << f.cause.uncovered << ',' << f.cause.beforeOccluder << '\n';
}

void writeObjectHeader(std::ostream& out) {
    out << "view,object,visible_pixels";
    for (const CullingMethod& m : kCullingMethods) out << ',' << m.column << "_culled";
    out << ",queries_drawn\n";
}

void writeObjectRows(std::ostream& out, std::size_t view, const ViewRecord& r,
                     const std::vector<bool>& occluder, const std::vector<int>& pixels,
                     const std::vector<bool>& queryDrawn) {
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (occluder[i]) continue;
        out << view << ',' << i << ',' << pixels[i];
        for (const HomRun& run : r.runs) out << ',' << (run.culled[i] ? 1 : 0);
        out << ',' << (queryDrawn[i] ? 1 : 0) << '\n';
    }
}

void printSummary(const Options& options, const std::vector<ViewRecord>& records,
                  const std::vector<FalseCull>& falseCulls, const MemoryMarks& memory,
                  double wallSeconds) {
    const std::size_t views = records.size();
    std::size_t nonOccluders = 0;
    for (const Object& o : scene.objects) nonOccluders += o.occluder ? 0 : 1;
    std::printf("Scene: %s, %zu objects (%zu occluders); window %dx%d; %zu views in %.1f s\n",
                describeScene(options).c_str(), scene.objects.size(),
                scene.objects.size() - nonOccluders, options.width, options.height, views,
                wallSeconds);
    std::printf("Renderer: %s; OpenGL %s\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));

    std::vector<Series> series;
    for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
        series.push_back({kCullingMethods[k].name, perView(records, [k](const ViewRecord& r) {
                              return r.runs[k].frameMs;
                          })});
    }
    const std::size_t none = series.size();
    series.push_back({"none", perView(records, [](const ViewRecord& r) { return r.noneMs; })});
    const std::size_t oracle = series.size();
    series.push_back({"oracle", perView(records, [](const ViewRecord& r) { return r.oracleMs; })});
    const std::size_t queries = series.size();
    series.push_back(
        {"queries", perView(records, [](const ViewRecord& r) { return r.queriesMs; })});
    series.push_back(
        {"ground truth", perView(records, [](const ViewRecord& r) { return r.truthMs; })});

    const double noneMedian = percentile(series[none].ms, 0.5);
    const double noneMean = mean(series[none].ms);
    std::printf("\nFrame time per method (ms; overlays excluded)\n");
    std::printf("%-18s %9s %9s %9s %12s %10s\n", "method", "median", "p95", "mean", "median/none",
                "mean/none");
    for (const Series& s : series) {
        const double median = percentile(s.ms, 0.5);
        std::printf("%-18s %9.3f %9.3f %9.3f %12.3f %10.3f\n", s.name.c_str(), median,
                    percentile(s.ms, 0.95), mean(s.ms), median / noneMedian, mean(s.ms) / noneMean);
    }

    const double oracleMean = mean(series[oracle].ms);
    const double oracleMedian = percentile(series[oracle].ms, 0.5);
    std::printf("\nCulling effectiveness (t_none - t) / (t_none - t_oracle), mean times:\n ");
    std::vector<std::size_t> compared;
    for (std::size_t k = 0; k < kCullingMethodCount; ++k) compared.push_back(k);
    compared.push_back(queries);
    for (std::size_t k : compared) {
        std::printf("  %s %.3f", series[k].name.c_str(),
                    cullingEffectiveness(noneMean, mean(series[k].ms), oracleMean));
    }
    std::printf("\n  (medians:");
    for (std::size_t k : compared) {
        std::printf("  %s %.3f", series[k].name.c_str(),
                    cullingEffectiveness(noneMedian, percentile(series[k].ms, 0.5), oracleMedian));
    }
    std::printf(")\n");

    std::printf(
        "\nCulling stages (median / p95, ms); overhead = occluders + pyramid + grid + decide, "
        "with the median over views of its difference from hom's and its median over hom's\n");
    std::printf("%-18s", "method");
    for (const char* stage : kStageNames) std::printf(" %17s", stage);
    std::printf(" %17s %10s %8s %17s\n", "overhead", "vs hom", "/ hom", "CPU culling (us)");
    const double homOverhead = percentile(
        perView(records, [](const ViewRecord& r) { return r.runs[0].overheadMs(); }), 0.5);
    for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
        std::printf("%-18s", kCullingMethods[k].name);
        for (std::size_t s = 0; s < kStageCount; ++s) {
            const std::vector<double> ms =
                perView(records, [k, s](const ViewRecord& r) { return r.runs[k].stageMs[s]; });
            std::printf("    %6.3f / %6.3f", percentile(ms, 0.5), percentile(ms, 0.95));
        }
        const std::vector<double> overhead =
            perView(records, [k](const ViewRecord& r) { return r.runs[k].overheadMs(); });
        const std::vector<double> versusHom = perView(records, [k](const ViewRecord& r) {
            return r.runs[k].overheadMs() - r.runs[0].overheadMs();
        });
        // The processor's share: the pyramid, the grid's fill and the decisions.
        const std::vector<double> cpu = perView(records, [k](const ViewRecord& r) {
            const HomRun& run = r.runs[k];
            return 1000.0 * (run.stageMs[kPyramid] + run.gridFillMs + run.stageMs[kDecide]);
        });
        const double overheadMedian = percentile(overhead, 0.5);
        std::printf("    %6.3f / %6.3f %+10.4f %8.3f    %6.1f / %6.1f\n", overheadMedian,
                    percentile(overhead, 0.95), percentile(versusHom, 0.5),
                    overheadMedian / homOverhead, percentile(cpu, 0.5), percentile(cpu, 0.95));
    }

    std::printf(
        "\nCulling overhead with each method's frames one after another, as the viewer draws "
        "them (median / p95, ms; median over hom's)\n");
    std::array<std::vector<double>, kCullingMethodCount> inSequence;
    for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
        inSequence[k] =
            perView(records, [k](const ViewRecord& r) { return r.sequenceOverheadMs[k]; });
    }
    const double homMedian = percentile(inSequence[0], 0.5);
    for (std::size_t k = 0; k < kCullingMethodCount; ++k) {
        const double median = percentile(inSequence[k], 0.5);
        std::printf("%-18s    %6.3f / %6.3f %10.3f\n", kCullingMethods[k].name, median,
                    percentile(inSequence[k], 0.95), median / homMedian);
    }

    long long visible = 0, hidden = 0;
    std::vector<std::pair<std::string, DecisionCounts>> totals;
    for (const CullingMethod& m : kCullingMethods) totals.push_back({m.name, {}});
    totals.push_back({"queries", {}});
    for (const ViewRecord& r : records) {
        visible += r.queries.visible;
        hidden += r.queries.hidden;
        for (std::size_t k = 0; k < totals.size(); ++k) {
            const DecisionCounts& d = k < kCullingMethodCount ? r.culling[k] : r.queries;
            totals[k].second.culled += d.culled;
            totals[k].second.falseCulls += d.falseCulls;
            totals[k].second.missed += d.missed;
        }
    }
    std::printf("\nTotals over %zu views: %lld visible, %lld hidden (non-occluders)\n", views,
                visible, hidden);
    std::printf("%-18s %10s %10s %12s %10s %14s\n", "method", "culled", "of hidden", "false culls",
                "missed", "drawn/visible");
    for (const auto& [name, t] : totals) {
        const long long drawn = static_cast<long long>(views * nonOccluders) - t.culled;
        std::printf(
            "%-18s %10d %9.1f%% %12d %10d %14.3f\n", name.c_str(), t.culled,
            hidden > 0 ? 100.0 * (t.culled - t.falseCulls) / static_cast<double>(hidden) : 0.0,
            t.falseCulls, t.missed,
            visible > 0 ? static_cast<double>(drawn) / static_cast<double>(visible) : 0.0);
    }
    std::printf(
        "\nPeak resident memory: %ld kB after the first view, %ld kB after the last "
        "(growth %ld kB)\n",
        memory.peakFirst, memory.peakLast, memory.peakLast - memory.peakFirst);
    std::printf(
        "Resident memory: %ld kB after the first view, %ld kB after the last "
        "(growth %ld kB)\n",
        memory.residentFirst, memory.residentLast, memory.residentLast - memory.residentFirst);

    std::printf("\nFalse culls: %zu\n", falseCulls.size());
    for (const CullingMethod& m : kCullingMethods) {
        std::size_t count = 0;
        for (const FalseCull& f : falseCulls) count += std::strcmp(f.method, m.name) == 0 ? 1 : 0;
        if (count == 0) continue;
        std::printf("  %s: %zu, the first %zu:\n", m.name, count,
                    std::min(kListedFalseCulls, count));
        std::size_t listed = 0;
        for (const FalseCull& f : falseCulls) {
            if (std::strcmp(f.method, m.name) != 0) continue;
            if (listed++ == kListedFalseCulls) break;
            std::printf(
                "    view %zu (%s): %s, %d visible pixels: %d where no occluder is, %d in front "
                "of one\n",
                f.view, describeCamera(f.camera).c_str(), describeObject(f.object, options).c_str(),
                f.pixels, f.cause.uncovered, f.cause.beforeOccluder);
        }
    }
}
