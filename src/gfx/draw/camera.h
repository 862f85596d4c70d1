// The camera: projection and view matrices (column-major double[16]) and
// what is known of the view volume.  `xcam` serves all drawing; the
// viewport set-up loads its matrices into GL.
#pragma once

class UTL_stat;

// Debug and tuning switches read by the camera.
extern UTL_stat gKillCull;   // cull planes for the central tenth only
extern UTL_stat gKillClip;   // projection for the central tenth only
extern UTL_stat gExtraNear;  // LookAtCamera pulls its near plane this much nearer

class xcam_class {
public:
    xcam_class();
    explicit xcam_class(xcam_class* other);

    void Identity();
    void Rotate(double angle, double x, double y, double z);
    void Translate(double x, double y, double z);
    void LookAtPtFromPt(double ex, double ey, double ez, double tx, double ty, double tz, double ux,
                        double uy, double uz);
    void LookAtPtFromDir(double x, double y, double z, double heading, double pitch, double dist);

    void SetupOrtho(double l, double r, double b, double t, double n, double f);
    void SetupFrustum(double l, double r, double b, double t, double n, double f);
    void SetupPerspective(double fovy, double aspect, double n, double f);
    void SetFakeFarClippingPlane(double d);
    void ResetFakeFarClippingPlane();

    // 0 for an orthographic camera (outputs untouched), else 1.
    int GetFOVHalfCosines(float* h, float* v);
    void CalcUp(double* up);
    void CalcDirection(double* dir);
    void CalcRight(double* right);
    void CalcBillboardCamera(float* right, float* up);
    void CalcBillboardGround(float* right, float* up);
    // World point to interface coordinates of the current GL viewport.
    void mtr_to_pix(double* p, double* pix);
    bool GetFrustumBounds(double max_dist, double y_lo, double y_hi, double* box_min, double* box_max);
    void LookAtCamera(xcam_class* other, double* dir, double dist, double& near_out, double& far_out);

    unsigned char ortho;
    double near_z, far_z, fake_far_z;
    double cull_planes[4][3];  // inward normals: top, left, right, bottom
    double ortho_top, ortho_left, ortho_right, ortho_bottom;
    unsigned char reload_view;  // read the view back from GL before the next query
    double projection[16];
    double modelview[16];
};

extern xcam_class xcam;
