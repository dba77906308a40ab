#include "tools/measurereport.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "occlusion/globals.h"

namespace {

// How many false culls the summary lists; the --false-culls file gets all of them.
constexpr std::size_t kListedFalseCulls = 10;

struct Series {
    const char* name;
    std::vector<double> ms;
};

}  // namespace

std::string describeObject(std::size_t object, int halfCells) {
    const std::size_t side = static_cast<std::size_t>(2 * halfCells + 1);
    char text[64];
    std::snprintf(text, sizeof text, "object %zu (grid cell %zu, %zu)", object, object / side,
                  object % side);
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
    for (const char* rule : {"hom", "cons"}) {
        out << ',' << rule << "_culled," << rule << "_false," << rule << "_missed";
    }
    out << ",queries_drawn,queries_false";
    out << ",truth_ms,none_ms,oracle_ms,queries_ms";
    for (const char* rule : {"hom", "cons"}) {
        out << ',' << rule << "_ms";
        for (const char* stage : kStageNames) out << ',' << rule << '_' << stage << "_ms";
        out << ',' << rule << "_tests_ms," << rule << "_gridfill_ms";
    }
    out << '\n';
}

void writeCsvRow(std::ostream& out, std::size_t view, const ViewRecord& r) {
    const CameraState& c = r.camera;
    out << view << ',' << c.rotX << ',' << c.rotZ << ',' << c.zoom << ',' << c.panX << ',' << c.panY
        << ',' << (r.hom.visible + r.hom.hidden) << ',' << r.hom.visible << ',' << r.hom.hidden;
    for (const DecisionCounts* d : {&r.hom, &r.conservative}) {
        out << ',' << d->culled << ',' << d->falseCulls << ',' << d->missed;
    }
    out << ',' << (r.queries.visible + r.queries.hidden - r.queries.culled) << ','
        << r.queries.falseCulls;
    out << ',' << r.truthMs << ',' << r.noneMs << ',' << r.oracleMs << ',' << r.queriesMs;
    for (const HomRun* run : {&r.homRun, &r.conservativeRun}) {
        out << ',' << run->frameMs;
        for (double ms : run->stageMs) out << ',' << ms;
        out << ',' << run->testsMs << ',' << run->gridFillMs;
    }
    out << '\n';
}

void writeFalseCullHeader(std::ostream& out) {
    out << "view,rotX,rotZ,zoom,panX,panY,rule,object,visible_pixels\n";
}

void writeFalseCullRow(std::ostream& out, const FalseCull& f) {
    const CameraState& c = f.camera;
    out << f.view << ',' << c.rotX << ',' << c.rotZ << ',' << c.zoom << ',' << c.panX << ','
        << c.panY << ',' << f.rule << ',' << f.object << ',' << f.pixels << '\n';
}

void writeObjectHeader(std::ostream& out) {
    out << "view,object,visible_pixels,hom_culled,cons_culled,queries_drawn\n";
}

void writeObjectRows(std::ostream& out, std::size_t view, const ViewRecord& r,
                     const std::vector<bool>& occluder, const std::vector<int>& pixels,
                     const std::vector<bool>& queryDrawn) {
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (occluder[i]) continue;
        out << view << ',' << i << ',' << pixels[i] << ',' << (r.homRun.culled[i] ? 1 : 0) << ','
            << (r.conservativeRun.culled[i] ? 1 : 0) << ',' << (queryDrawn[i] ? 1 : 0) << '\n';
    }
}

void printSummary(const Options& options, const std::vector<ViewRecord>& records,
                  const std::vector<FalseCull>& falseCulls, const MemoryMarks& memory,
                  double wallSeconds) {
    const std::size_t views = records.size();
    std::size_t nonOccluders = 0;
    for (const Object& o : scene.objects) nonOccluders += o.occluder ? 0 : 1;
    std::printf("Scene: %s, %zu objects (%zu occluders); window %dx%d; %zu views in %.1f s\n",
                options.halfCells == kDemoHalfCells
                    ? "demo (--grid 7)"
                    : ("--grid " + std::to_string(options.halfCells)).c_str(),
                scene.objects.size(), scene.objects.size() - nonOccluders, options.width,
                options.height, views, wallSeconds);
    std::printf("Renderer: %s; OpenGL %s\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));

    Series series[] = {{"hom", {}},    {"hom-conservative", {}}, {"none", {}},
                       {"oracle", {}}, {"queries", {}},          {"ground truth", {}}};
    for (const ViewRecord& r : records) {
        series[0].ms.push_back(r.homRun.frameMs);
        series[1].ms.push_back(r.conservativeRun.frameMs);
        series[2].ms.push_back(r.noneMs);
        series[3].ms.push_back(r.oracleMs);
        series[4].ms.push_back(r.queriesMs);
        series[5].ms.push_back(r.truthMs);
    }
    const double noneMedian = percentile(series[2].ms, 0.5);
    const double noneMean = mean(series[2].ms);
    std::printf("\nFrame time per method (ms; overlays excluded)\n");
    std::printf("%-18s %9s %9s %9s %12s %10s\n", "method", "median", "p95", "mean", "median/none",
                "mean/none");
    for (const Series& s : series) {
        const double median = percentile(s.ms, 0.5);
        std::printf("%-18s %9.3f %9.3f %9.3f %12.3f %10.3f\n", s.name, median,
                    percentile(s.ms, 0.95), mean(s.ms), median / noneMedian, mean(s.ms) / noneMean);
    }
    const double oracleMean = mean(series[3].ms);
    std::printf("\nCulling effectiveness (t_none - t) / (t_none - t_oracle), mean times:\n");
    std::printf("  hom %.3f   hom-conservative %.3f   queries %.3f\n",
                cullingEffectiveness(noneMean, mean(series[0].ms), oracleMean),
                cullingEffectiveness(noneMean, mean(series[1].ms), oracleMean),
                cullingEffectiveness(noneMean, mean(series[4].ms), oracleMean));
    std::printf("  (medians: hom %.3f   hom-conservative %.3f   queries %.3f)\n",
                cullingEffectiveness(noneMedian, percentile(series[0].ms, 0.5),
                                     percentile(series[3].ms, 0.5)),
                cullingEffectiveness(noneMedian, percentile(series[1].ms, 0.5),
                                     percentile(series[3].ms, 0.5)),
                cullingEffectiveness(noneMedian, percentile(series[4].ms, 0.5),
                                     percentile(series[3].ms, 0.5)));

    std::printf("\nHom frame stages (median / p95, ms)\n");
    std::printf("%-18s", "rule");
    for (const char* stage : kStageNames) std::printf(" %17s", stage);
    std::printf(" %17s\n", "CPU culling (us)");
    for (int which = 0; which < 2; ++which) {
        std::printf("%-18s", which == 0 ? "hom" : "hom-conservative");
        for (int s = 0; s < kStageCount; ++s) {
            std::vector<double> ms;
            for (const ViewRecord& r : records) {
                const HomRun& run = which == 0 ? r.homRun : r.conservativeRun;
                ms.push_back(run.stageMs[static_cast<std::size_t>(s)]);
            }
            std::printf("    %6.3f / %6.3f", percentile(ms, 0.5), percentile(ms, 0.95));
        }
        // Pyramid, grid fill and the tests with their projections: the processor's work.
        std::vector<double> cpu;
        for (const ViewRecord& r : records) {
            const HomRun& run = which == 0 ? r.homRun : r.conservativeRun;
            cpu.push_back(1000.0 * (run.stageMs[kPyramid] + run.gridFillMs + run.testsMs));
        }
        std::printf("    %6.1f / %6.1f\n", percentile(cpu, 0.5), percentile(cpu, 0.95));
    }

    long long visible = 0, hidden = 0;
    DecisionCounts totals[3];
    for (const ViewRecord& r : records) {
        visible += r.hom.visible;
        hidden += r.hom.hidden;
        const DecisionCounts* d[3] = {&r.hom, &r.conservative, &r.queries};
        for (int k = 0; k < 3; ++k) {
            totals[k].culled += d[k]->culled;
            totals[k].falseCulls += d[k]->falseCulls;
            totals[k].missed += d[k]->missed;
        }
    }
    std::printf("\nTotals over %zu views: %lld visible, %lld hidden (non-occluders)\n", views,
                visible, hidden);
    const char* names[3] = {"hom", "hom-conservative", "queries"};
    std::printf("%-18s %10s %10s %12s %10s %14s\n", "method", "culled", "of hidden", "false culls",
                "missed", "drawn/visible");
    for (int k = 0; k < 3; ++k) {
        const long long drawn = static_cast<long long>(views * nonOccluders) - totals[k].culled;
        std::printf("%-18s %10d %9.1f%% %12d %10d %14.3f\n", names[k], totals[k].culled,
                    hidden > 0 ? 100.0 * (totals[k].culled - totals[k].falseCulls) /
                                     static_cast<double>(hidden)
                               : 0.0,
                    totals[k].falseCulls, totals[k].missed,
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

    std::printf("\nFalse culls: %zu", falseCulls.size());
    if (!falseCulls.empty()) {
        std::printf(" (the first %zu)", std::min(kListedFalseCulls, falseCulls.size()));
    }
    std::printf("\n");
    for (std::size_t k = 0; k < std::min(kListedFalseCulls, falseCulls.size()); ++k) {
        const FalseCull& f = falseCulls[k];
        std::printf("  %s view %zu (%s): %s, %d visible pixels\n", f.rule, f.view,
                    describeCamera(f.camera).c_str(),
                    describeObject(f.object, options.halfCells).c_str(), f.pixels);
    }
}
