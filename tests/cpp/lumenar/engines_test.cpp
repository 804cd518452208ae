// The engines' scenes, built into a renderer without drawing: the bump rule, the posterior along
// the cut line, the decorations, AddLine and the image engine's window and level.
#include <gtest/gtest.h>

#include <vtkActor2D.h>
#include <vtkActorCollection.h>
#include <vtkActor2DCollection.h>
#include <vtkFollower.h>
#include <vtkImageMapper.h>
#include <vtkNew.h>
#include <vtkRenderer.h>

#include "Lumenar/EngineRegistry.h"
#include "Lumenar/engines/Stages.h"

using namespace lumenar;

namespace {

// A graph state holding an nx x ny density f(i, j) of its own.
template <class F>
void Fill(GraphState& g, int nx, int ny, F f) {
    g.nx = nx;
    g.ny = ny;
    g.densityBuffer.assign(std::size_t(nx) * ny, 0.0);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) g.densityBuffer[i + nx * j] = f(i, j);
    g.x = g.densityBuffer.data();
    g.storedCount = g.densityBuffer.size();
}

vtkNew<vtkRenderer> Build(int code, GraphState& g) {
    vtkNew<vtkRenderer> renderer;
    auto engine = MakeEngine(code, g);
    engine->Build(renderer);
    return renderer;
}

int Followers(vtkRenderer* r) {
    int n = 0;
    vtkActorCollection* actors = r->GetActors();
    actors->InitTraversal();
    while (vtkActor* a = actors->GetNextActor()) n += vtkFollower::SafeDownCast(a) != nullptr;
    return n;
}

}  // namespace

TEST(Engines, BumpAtOriginIsRemovedByEngines11_12_14_21_22Only) {
    for (int code : {11, 12, 13, 14, 15, 20, 21, 22}) {
        GraphState g;
        Fill(g, 8, 8, [](int i, int j) { return i == 0 && j == 0 ? 5.0 : 0.01 * (i + j); });
        g.title = "T";
        Build(code, g);
        Build(code, g);
        const bool removes = code == 11 || code == 12 || code == 14 || code == 21 || code == 22;
        EXPECT_EQ(g.title, removes ? "T\nBump at Origin Removed\nBump at Origin Removed" : "T") << code;
        EXPECT_EQ(g.x[0], 5.0);  // the density itself is never written
    }
}

TEST(Engines, DensityFieldOptions) {
    GraphState g;
    Fill(g, 2, 2, [](int i, int j) { return i + j == 0 ? 3.0 : -1.0 + i + 0.5 * j; });  // 3, 0, -0.5, 0.5
    stages::DensityField kept = stages::MakeDensityField(g, {});
    EXPECT_EQ(kept.m, 3.0);
    EXPECT_EQ(kept.scalars->GetValue(0), 3.0f);
    stages::DensityField removed = stages::MakeDensityField(g, {.bump = stages::Bump::Remove});
    EXPECT_EQ(removed.m, 0.5);
    EXPECT_EQ(removed.scalars->GetValue(0), 0.0f);
    stages::DensityField clamped = stages::MakeDensityField(g, {.bump = stages::Bump::Remove, .clampNegative = true});
    EXPECT_EQ(clamped.scalars->GetValue(2), 0.0f);
    stages::DensityField scaled = stages::MakeDensityField(g, {.factor = 10000.0f});
    EXPECT_EQ(scaled.m, 30000.0);
    EXPECT_EQ(scaled.scalars->GetValue(3), 5000.0f);

    GraphState zero;
    Fill(zero, 3, 3, [](int, int) { return 0.0; });
    stages::DensityField flat = stages::MakeDensityField(zero, {});
    EXPECT_EQ(flat.m, 1.0);
    double range[2];
    stages::DensityPoints(zero, flat)->GetScalarRange(range);
    EXPECT_EQ(range[0], 0.0);
    EXPECT_EQ(range[1], 0.0);
}

TEST(Engines, CutLineEndsOnTheGridsRectangle) {
    GraphState g;
    g.nx = 8;
    g.ny = 6;
    const struct {
        double slope, x, y;
    } cases[] = {{1.0, 8, 6}, {2.0, 4, 6}, {0.5, 8, 3}, {0.0, 8, 0}};
    for (const auto& c : cases) {
        g.CutLineSlope = c.slope;
        double end[3];
        stages::CutLineEnd(g, end);
        EXPECT_DOUBLE_EQ(end[0], c.x);
        EXPECT_DOUBLE_EQ(end[1], c.y);
        EXPECT_EQ(end[2], 0.0);
    }
}

// On a density linear in (i, j) the probe's interpolation is exact: along y = x/2 on a 5 x 5 grid
// the line's 5 points are (5k/4, 5k/8), k = 0..4, where i + j = 15k/8; the last point lies beyond
// the grid (i = 5 > 4) and probes as 0.
TEST(Engines, PosteriorIsTheDensityAlongTheCutLine) {
    GraphState g;
    Fill(g, 5, 5, [](int i, int j) { return double(i + j); });
    g.CutLineSlope = 0.5;
    Build(20, g);
    ASSERT_EQ(g.posterior.size(), 5u);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(g.posterior[k], 15.0 * k / 8, 1e-5) << k;
    EXPECT_EQ(g.posterior[4], 0.0);
}

TEST(Engines, PosteriorEngineDrawsTheMarginalOnlyWhenTheBlockHasOne) {
    const double marginal[4] = {0.1, 0.2, 0.3, 0.4};
    int actors[2];
    for (int withMarginal = 0; withMarginal < 2; ++withMarginal) {
        GraphState g;
        Fill(g, 4, 4, [](int i, int j) { return 0.1 * (i + j); });
        if (withMarginal) g.marginal = marginal;
        actors[withMarginal] = Build(20, g)->GetActors()->GetNumberOfItems();
    }
    // tube, posterior, axes and surface; and the marginal's curve
    EXPECT_EQ(actors[0], 4);
    EXPECT_EQ(actors[1], 5);

    GraphState zero;  // a cut line through zero density draws flat curves and a zero posterior
    Fill(zero, 4, 4, [](int, int) { return 0.0; });
    zero.marginal = marginal;
    EXPECT_EQ(Build(20, zero)->GetActors()->GetNumberOfItems(), 5);
    EXPECT_EQ(zero.posterior, std::vector<double>(4, 0.0));
}

TEST(Engines, DecorationsOnlyWhenSetAndEngine13WithoutZLabel) {
    for (int code : {11, 12, 13, 14, 20, 22}) {
        GraphState g;
        Fill(g, 64, 64, [](int i, int j) { return 0.01 * (i * j); });
        g.title = "title";
        g.xaxis = "x";
        g.yaxis = "y";
        g.zaxis = "z";
        EXPECT_EQ(Followers(Build(code, g)), 0) << code;
        g.decorationsSet = true;
        auto renderer = Build(code, g);
        EXPECT_EQ(Followers(renderer), code == 13 ? 2 : 3) << code;
        EXPECT_EQ(renderer->GetActors2D()->GetNumberOfItems(), 1) << code;  // the title
        EXPECT_EQ(g.zaxis, "z");
    }
}

TEST(Engines, LabelsScaleWithTheGrid) {
    for (auto [n, s] : {std::pair{10, 0.0}, {64, 2.0}, {256, 8.0}}) {
        GraphState g;
        Fill(g, n, n, [](int, int) { return 1.0; });
        g.decorationsSet = true;
        g.xaxis = "x";
        auto renderer = Build(11, g);
        vtkActorCollection* actors = renderer->GetActors();
        actors->InitTraversal();
        while (vtkActor* a = actors->GetNextActor())
            if (auto* f = vtkFollower::SafeDownCast(a)) {
                EXPECT_EQ(f->GetScale()[0], s);
                EXPECT_EQ(f->GetPosition()[0], n);
                EXPECT_EQ(f->GetPosition()[1], -s);
            }
    }
}

TEST(Engines, ColourBarOnRequest) {
    for (int request : {0, 1}) {
        GraphState g;
        Fill(g, 16, 16, [](int i, int) { return double(i); });
        g.decorationsSet = true;
        g.showColorBar = request;
        EXPECT_EQ(Build(11, g)->GetActors2D()->GetNumberOfItems(), request);
    }
}

TEST(Engines, AddLineDrawsAlongXOrYAndRejectsOtherAxes) {
    const float values[4] = {0, 1, 2, 1};
    const double range[2] = {0, 2};
    auto lut = stages::MakeLookupTable(stages::Lut::GreenBlue);
    for (int axis : {0, 1}) {
        vtkNew<vtkRenderer> r;
        stages::AddLine(r, lut, axis, 4, 2.0, values, 0.8, range);
        ASSERT_EQ(r->GetActors()->GetNumberOfItems(), 1);
        double b[6];
        r->GetActors()->GetLastActor()->GetBounds(b);
        // points at 0, 2, 4, 6 along the axis, heights 0 .. 1.6, in a tube of radius 1
        EXPECT_NEAR(b[2 * axis + 1] - b[2 * axis], 6.0, 2.0 + 1e-6);
        EXPECT_GE(b[2 * axis + 1], 6.0);
        EXPECT_NEAR(b[5], 1.6 + 1.0, 1e-3);
    }
    vtkNew<vtkRenderer> r;
    for (int axis : {-1, 2}) {
        try {
            stages::AddLine(r, lut, axis, 4, 1.0, values, 1.0, range);
            ADD_FAILURE();
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Invalid arg to AddLine");
        }
    }
    EXPECT_EQ(r->GetActors()->GetNumberOfItems(), 0);
}

TEST(Engines, GradientImageUsesWindowAndLevelOnceSet) {
    GraphState g;
    Fill(g, 8, 8, [](int i, int j) { return 0.001 * i * j; });
    auto mapperOf = [](vtkRenderer* r) {
        return vtkImageMapper::SafeDownCast(r->GetActors2D()->GetLastActor2D()->GetMapper());
    };
    auto fixed = Build(21, g);
    EXPECT_EQ(mapperOf(fixed)->GetColorWindow(), 1.0);
    EXPECT_EQ(mapperOf(fixed)->GetColorLevel(), 0.5);
    g.window = 200;
    g.level = 100;
    g.windowLevelSet = true;
    auto set = Build(21, g);
    EXPECT_EQ(mapperOf(set)->GetColorWindow(), 200.0);
    EXPECT_EQ(mapperOf(set)->GetColorLevel(), 100.0);
}

TEST(Engines, FormulaScenesIgnoreTheDensity) {
    for (int code : {1, 16, 17, 18, 19}) {
        GraphState g;  // no density at all
        auto engine = MakeEngine(code, g);
        EXPECT_FALSE(engine->ReadsDensity());
        vtkNew<vtkRenderer> r;
        engine->Build(r);
        EXPECT_GE(r->GetActors()->GetNumberOfItems(), 1) << code;
        EXPECT_EQ(r->GetBackground()[0], 1.0);
    }
}
