#pragma once
/// The four stores: the build store STORE, and the black market's STATIONWEAPONSTORE,
/// SHIPWEAPONSTORE and COUNTERMEASURESTORE. Each is a STORESCREEN with its own design: order,
/// catalogue, price source, restock rule, previews, slot layout, resources and messages.
///
/// Previews are drawn from each product's own meshes and textures (the stand-in media of the
/// station parts, the ship weapons and the countermeasure pods), registered by the store, so a
/// preview never depends on a part's behaviour.

#include <cstdint>

#include "engine/util/qnmatrix.h"
#include "game/screens/store_screen.h"

/// One mesh of a preview model: mesh and texture names (registered from the files) and its
/// offset from the product's position.
struct PREVIEWPIECE {
    const char* Mesh = nullptr;
    const char* MeshFile = nullptr;
    const char* Texture = nullptr;
    const char* TextureFile = nullptr;
    float Offset[3] = {0, 0, 0};
};

/// A catalogue line: the product, its display lines, its preview and camera placement.
struct STOREPRODUCTINFO {
    static constexpr std::uint32_t kMaxPieces = 3;
    std::uint32_t Type = 0;
    const char* Name = "";
    const char* Category = "";
    float Height = 0.0f;          ///< the model stands at (0, Height, 0)
    float Pivot[3] = {0, 0, 0};   ///< added to the model's position for the camera pivot
    float Boom = 0.0f;            ///< camera distance
    float Threshold = 0.0f;       ///< draws below it make the product not available
    float Disc[3] = {0, 0, 0};    ///< countermeasure disc colour
    PREVIEWPIECE Pieces[kMaxPieces];
};

/// How a store turns a draw into a state and a price.
enum class DRAWRULE : std::uint32_t {
    /// premium at r >= 0.8 (x 1.5), sale at r <= 0.2 (x 0.5), else regular.
    STANDARD = 0,
    /// not available below the threshold; r = 1.0 exactly on sale as a premium (x 0.5); on sale
    /// up to 0.75 (x 0.5); above, regular.
    COUNTERMEASURE = 1,
};

/// How a store builds its previews.
enum class PREVIEWKIND : std::uint32_t {
    PARTS = 0,          ///< station parts on a joint node
    MODELS = 1,         ///< one model per product
    COUNTERMEASURE = 2, ///< the pod turned 270 degrees with coloured discs
};

/// Everything that makes a store itself.
struct STOREDESIGN {
    const char* Name;
    STOREKIND Kind;
    const STOREPRODUCTINFO* Products;
    std::uint32_t ProductCount;
    float (*BasePrice)(std::uint32_t type);
    DRAWRULE Rule;
    PREVIEWKIND Previews;
    const float (*Slots)[2];   ///< six (X, Y) upper-left corners
    const char* FullMessage;
    const char* Backdrop;
    const char* BackdropFile;
    const char* PremiumSign;
    const char* PremiumSignFile;
    const char* SaleSign;
    const char* SaleSignFile;
    std::uint32_t SaleSignCell;
    bool Build;                ///< the build store: blinker, no "not available" test
    bool SignedOpeningCash;    ///< false: the first cash print keeps the sign with the number
};

extern const STOREDESIGN kBuildStoreDesign;
extern const STOREDESIGN kStationWeaponStoreDesign;
extern const STOREDESIGN kShipWeaponStoreDesign;
extern const STOREDESIGN kCountermeasureStoreDesign;

class STORE : public STORESCREEN {
public:
    explicit STORE(QNITEM* parent);
    ~STORE() override;
};

class STATIONWEAPONSTORE : public STORESCREEN {
public:
    explicit STATIONWEAPONSTORE(QNITEM* parent);
    ~STATIONWEAPONSTORE() override;
};

class SHIPWEAPONSTORE : public STORESCREEN {
public:
    explicit SHIPWEAPONSTORE(QNITEM* parent);
    ~SHIPWEAPONSTORE() override;
};

class COUNTERMEASURESTORE : public STORESCREEN {
public:
    explicit COUNTERMEASURESTORE(QNITEM* parent);
    ~COUNTERMEASURESTORE() override;
};
