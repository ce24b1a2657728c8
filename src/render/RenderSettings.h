#pragma once
// The scene-wide render state: camera, lights, the switches the render
// dialog and scene events change, viewport sizes and the flags through which
// draw units learn which pass is being drawn. The renderer owns one and
// publishes it; units, groups and dialogs read it from there. Plain data:
// the operations that send it to GL belong to the renderer.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

struct PickRecord {
    static constexpr size_t kWorkSize = 63001;

    int32_t cursorX = 0;        // window pixels
    int32_t cursorY = 0;        // counted from the bottom
    float cursorValues[2] = {0, 0};
    uint32_t pickedId = 0;
    uint8_t mainPass = 0;       // 1 during the main opaque pass
    double nearestDepth = 1.0;  // reset every frame
    uint8_t hit = 0;            // reset every frame
    int32_t hitIndex = 0;       // reset every frame
    // Work space of the units' hit tests.
    std::vector<double> workA = std::vector<double>(kWorkSize, 0.0);
    std::vector<double> workB = std::vector<double>(kWorkSize, 0.0);
    std::vector<double> workC = std::vector<double>(kWorkSize, 0.0);
    std::vector<int32_t> workIndices = std::vector<int32_t>(kWorkSize, 0);
};

// Pixel mapping and flags of the voxel export, edited by its dialog.
struct VoxelExportSettings {
    // Control point 1 input and output, control point 2 input and output.
    uint32_t colorControlPoints[4] = {0, 0, 255, 255};
    uint8_t downTo8Bit = 0;
    uint8_t reverseZ = 0;
};

struct RenderSettings {
    RenderSettings() = default;
    ~RenderSettings();
    RenderSettings(const RenderSettings&) = delete;
    RenderSettings& operator=(const RenderSettings&) = delete;

    // Sizes from the window: textures the next powers of two, the shorter
    // side spanning -1..1.
    void SetViewportSize(int32_t w, int32_t h);
    bool IsInViewport(int32_t x, int32_t y) const;
    // GL half: each computes its values and sends them.
    void Init();
    void ApplyLightPosition();
    void SetLightMode(uint32_t mode);
    void SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b);
    void CreateDepthTexture();
    void FreeDepthTexture();

    void* clientDC = nullptr;
    void* glContext = nullptr;
    float cameraPosition[3] = {0, 0, 7.0f};
    float light0Position[4] = {100, 100, 100, 1};
    float light0Distance = 173.20508f;
    float light0Ambient[4] = {1, 1, 1, 1};
    float light0Diffuse[4] = {1, 1, 1, 1};
    float light0Specular[4] = {1, 1, 1, 1};
    float lightIntensity = 1.0f;
    float light1Position[4] = {0, 0, 7.0f, 0};
    float cameraDistance = 7.0f;
    float light1Ambient[4] = {0, 0, 0, 1};
    float light1Diffuse[4] = {0.4f, 0.4f, 0.4f, 1};
    float light1Specular[4] = {0, 0, 0, 1};
    float light1Intensity = 1.0f;
    float light2Position[4] = {-100, -100, -100, 1};
    float light2Ambient[4] = {0, 0, 0, 1};
    float light2Diffuse[4] = {1, 1, 1, 1};
    float light2Specular[4] = {1, 1, 1, 1};
    float light3Position[4] = {0, 0, -7.0f, 0};
    float light3Ambient[4] = {0, 0, 0, 1};
    float light3Diffuse[4] = {0.4f, 0.4f, 0.4f, 1};
    float light3Specular[4] = {0, 0, 0, 1};
    uint32_t lightPosition = 0;     // 0 upper right, 1 upper left, 2 lower right, 3 lower left
    uint32_t lightMode = 0;         // 0 normal, 1 dim
    uint8_t clipCap = 1;
    uint8_t transparencyClip = 0;
    uint32_t shadow = 0;
    uint8_t fog = 0;
    float backgroundColor[4] = {0, 0, 0, 1};
    uint32_t nearFarRestrict = 0;
    uint32_t squareRestrict = 0;
    uint8_t linkPanes = 0;
    uint8_t projection = 0;         // 1 perspective, else orthographic

    // State of the pass being drawn.
    uint8_t currentLayer = 1;       // 0 back, 1 main, 2 fore
    float currentTime = 0.0f;
    const float* objectMatrix = nullptr;
    uint8_t clipOn = 0;
    uint8_t sectionCapture = 0;
    const float* clipMatrix = nullptr;
    float clipOffset = 0.0f;
    uint8_t drawingClippedPart = 0;
    uint8_t depthOnlyPass = 0;

    float halfExtentX = 1.0f;
    float halfExtentY = 1.0f;
    int32_t viewportWidth = 1;
    int32_t viewportHeight = 1;
    uint32_t textureWidth = 1;
    uint32_t textureHeight = 1;
    uint32_t depthTexture = 0;
    uint8_t* depthTextureBuffer = nullptr;
    uint8_t activePaneRendering = 0;
    PickRecord pick;
    uint8_t guideLines = 0;
    double sceneBoxMin[3] = {0, 0, 0};
    double sceneBoxMax[3] = {0, 0, 0};

    uint8_t scaleBarAvailable = 0;
    uint8_t scaleBarShow = 0;
    float scaleBarPosition[2] = {-0.95f, -0.95f};
    float scaleBarLength = -1.0f;
    std::wstring scaleBarUnit = L"mm";
    uint8_t scaleBarChanged = 0;    // the user applied a bar; the scene's own no longer replaces it

    VoxelExportSettings voxelExport;
};

// Frees a depth texture from the destructor; installed by the GL half when
// it creates one.
extern void (*ReleaseDepthTexture)(RenderSettings& settings);

// The renderer publishes its settings; until it does (and in tests that do
// not), one default record stands in, so readers never see null.
void PublishRenderSettings(RenderSettings* settings);
RenderSettings& CurrentRenderSettings();

} // namespace velmor
