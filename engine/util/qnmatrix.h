#pragma once
/// Engine transforms: a 4x4 float matrix in the row-vector convention (a point p
/// maps to p x M, translation in elements 12..14, left-handed axes) and a vector
/// of three floats. In a product A x B the transform A applies first.

struct QNMATRIX;

/// Three floats.
struct QNVEC3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    QNVEC3() = default;
    QNVEC3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }

    QNVEC3 operator+(const QNVEC3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    QNVEC3 operator-(const QNVEC3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    QNVEC3 operator*(float s) const { return {x * s, y * s, z * s}; }
    bool operator==(const QNVEC3& o) const { return x == o.x && y == o.y && z == o.z; }

    /// Square root of the sum of squares.
    float Length() const;
    float LengthSq() const { return x * x + y * y + z * z; }
    /// This vector scaled to unit length; a zero vector stays zero.
    QNVEC3 Normalize() const;
    /// The point p times m, divided by the resulting w (w of 0 leaves x, y, z undivided).
    static QNVEC3 TransformCoord(const QNVEC3& p, const QNMATRIX& m);
    /// The direction v times the upper 3x3 of m (no translation).
    static QNVEC3 TransformNormal(const QNVEC3& v, const QNMATRIX& m);
    static float Dot(const QNVEC3& a, const QNVEC3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static QNVEC3 Cross(const QNVEC3& a, const QNVEC3& b);
    /// Cubic Hermite interpolation at s in [0, 1] from p1 (tangent t1) to p2 (tangent t2).
    static QNVEC3 Hermite(const QNVEC3& p1, const QNVEC3& t1, const QNVEC3& p2, const QNVEC3& t2, float s);
};

/// 4x4 float matrix, row-major, row vectors.
struct QNMATRIX {
    float m[16];

    /// The identity.
    QNMATRIX();
    explicit QNMATRIX(const float* sixteen);

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    float& at(int row, int col) { return m[row * 4 + col]; }
    float at(int row, int col) const { return m[row * 4 + col]; }

    /// this = this x o.
    QNMATRIX& operator*=(const QNMATRIX& o);
    /// this x o.
    QNMATRIX operator*(const QNMATRIX& o) const;
    bool operator==(const QNMATRIX& o) const;

    /// The inverse. A singular matrix has none: the identity is returned instead.
    QNMATRIX Inverse() const;
    /// Each element rounded half away from zero to a multiple of 0.0001.
    void Round();
    /// The identity with this matrix's translation.
    QNMATRIX TranslationOnly() const;
    /// Copies the 16 floats out.
    void Copy(float* out) const;

    void SetIdentity();
    void SetTranslation(float x, float y, float z);
    void SetTranslationV(const QNVEC3& v) { SetTranslation(v.x, v.y, v.z); }
    /// A pure translation.
    static QNMATRIX MakeTranslation(float x, float y, float z)
    {
        QNMATRIX m;
        m.SetTranslation(x, y, z);
        return m;
    }
    void SetScaling(float x, float y, float z);
    /// Left-handed rotations by an angle in radians (clockwise looking down the axis toward the origin).
    void SetRotationX(float a);
    void SetRotationY(float a);
    void SetRotationZ(float a);
    /// The transform of an object at eye facing target: z from eye to target,
    /// x = up x z normalised, y = z x x, translation eye. (The inverse of the
    /// left-handed look-at view matrix.)
    void SetLookAt(const QNVEC3& eye, const QNVEC3& target, const QNVEC3& up);

    /// Left-handed look-at view matrix (world to camera).
    static QNMATRIX LookAtLH(const QNVEC3& eye, const QNVEC3& target, const QNVEC3& up);
    /// Left-handed perspective projection: vertical field of view in radians, z mapped to [0, 1].
    static QNMATRIX PerspectiveFovLH(float fovy, float aspect, float zn, float zf);
    /// Left-handed orthographic projection of the given width and height, z mapped to [0, 1].
    static QNMATRIX OrthoLH(float w, float h, float zn, float zf);
    /// Left-handed off-centre orthographic projection, z mapped to [0, 1].
    static QNMATRIX OrthoOffCenterLH(float l, float r, float b, float t, float zn, float zf);

    QNVEC3 Translation() const { return {m[12], m[13], m[14]}; }
    QNVEC3 Row(int r) const { return {m[r * 4], m[r * 4 + 1], m[r * 4 + 2]}; }

    /// A shared identity, the default transform.
    static const QNMATRIX Identity;
};
