#include "commands/TimePlot.h"
#include "plots/PlotSetup.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/RecordingCanvas.h"

namespace {

// A 1000 x 800 twip plot of 100 samples: 10 twips a sample, 400 the centre line.
class PlotTest : public UiTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        App().frmData.pic1 = &pic;
        App().SweepLength = 100;
        ApplyPlotLength();
    }

    RecordingCanvas pic{1000, 800};
};

} // namespace

TEST_F(PlotTest, ValueLabelsInTheChannelsUnitsOrTheModel3Steps) {
    App().ChannelScale[0] = 1.0f / 820;
    App().ChannelOffset[0] = 2048;
    App().ValueDecimals = 3;
    ApplyTimeYScale();
    EXPECT_EQ(Captions(App().frmData.lblYscale),
              "-2.498 -1.873 -1.249 -0.624 0.000 0.624 1.249 1.873 2.498 ");
    App().YScaleDivisor = 4;
    ApplyTimeYScale();
    EXPECT_EQ(Captions(App().frmData.lblYscale).substr(0, 14), "-0.624 -0.468 ");
    App().mdiAnalyzer.txtDevice.text = "KXS305";
    ApplyTimeYScale();
    EXPECT_EQ(Captions(App().frmData.lblYscale), "-100 -75 -50 -25 0 25 50 75 100 ");
}

TEST_F(PlotTest, AfterAResizeATraceStartsFlatAndRunsAlongTheEdgesOffTheRange) {
    App().YScaleDivisor = 4; // codes 1536..2560 on 800 twips: 2304 at 200
    ApplyTimeYScale();
    pic.width = 500; // 5 twips a sample
    pic.foreColor = {255, 0, 0};
    pic.ops.clear();
    App().PlotX = 300; // where the last trace ended
    frmData_Form_Resize();
    for (int code : {2304, 3000, -5000}) {
        PlotSample(code);
    }
    const auto& op = pic.ops;
    ASSERT_EQ(op.size(), 17u * 2 + 6); // the grid after the resize and again for the trace
    // Sample k ends its segment at k steps; the first comes in flat from the left edge.
    EXPECT_EQ((std::vector<float>{op[34].x1, op[34].y1, op[34].x2, op[34].y2}),
              (std::vector<float>{0, 200, 5, 200}));
    EXPECT_EQ(op[35].kind, CanvasOp::Circle);
    EXPECT_EQ(op[35].colour, pic.foreColor);
    // Off the range, the trace runs three pixels inside the edge, clear of the markers.
    EXPECT_EQ((std::vector<float>{op[36].x2, op[36].y2, op[38].y1, op[38].x2, op[38].y2}),
              (std::vector<float>{10, 45, 45, 15, 755}));
}

TEST_F(PlotTest, ReplotAndReadoutKeepToTheStoredSamples) {
    auto& app = App();
    app.ChannelOffset[0] = 2048;
    for (int k = 1; k <= 20; ++k) {
        PlotSample(2048 + k);
    }
    // Under a drawn sample the readout is that sample's, the last one too.
    const CanvasOp& last = pic.ops[pic.ops.size() - 2];
    ASSERT_EQ(last.kind, CanvasOp::Line);
    EXPECT_EQ(last.x2, 200);
    frmData_pic1_MouseDown(2, 0, last.x2, 0);
    EXPECT_EQ(app.mdiAnalyzer.mnuAux3.caption, "Code  = 2068");
    frmData_pic1_MouseDown(2, 0, 104, 0);
    EXPECT_EQ(app.mdiAnalyzer.mnuAux1.caption + app.mdiAnalyzer.mnuAux2.caption +
                  app.mdiAnalyzer.mnuAux3.caption,
              "Index = 10Value = 10.00Code  = 2058");
    // Index 0 is no sample; beyond the last sample there is nothing to show.
    frmData_pic1_MouseDown(2, 0, 3, 0);
    frmData_pic1_MouseDown(2, 0, 210, 0);
    EXPECT_EQ(ui.popups.size(), 2u);

    // A resize redraws the stored trace: at 250 twips a sample the first four fit.
    app.SweepLength = 4;
    ApplyPlotLength();
    frmData_Form_Resize();
    EXPECT_EQ(app.PlotIndex, 4);

    // Without a step (no samples across, no plot area) the stored trace stays as it was.
    app.SweepLength = 0;
    ApplyPlotLength();
    app.frmData.pic1 = nullptr;
    frmData_Form_Resize();
    EXPECT_EQ(app.PlotIndex, 4);
}

TEST_F(PlotTest, ATraceNeverRunsPastTheSampleBuffer) {
    // On this width the float steps add up short of the edge: more than 65540 samples fit.
    pic.width = 1030;
    App().SweepLength = kMaxSampleIndex;
    ApplyPlotLength();
    for (int i = 0; i < kMaxSampleIndex + 100; ++i) {
        PlotSample(2048);
        ASSERT_LE(App().PlotIndex, kMaxSampleIndex);
    }
}
