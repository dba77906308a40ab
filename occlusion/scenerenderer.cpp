#include "occlusion/scenerenderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "occlusion/glmatrices.h"

namespace {

// Offset that pulls a hole's black decal towards the viewer, in depth units.
constexpr float kDecalOffsetUnits = -100.0f;

void drainErrors() {
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
        std::printf("ERROR: 0x%x\n", code);
    }
}

void setUpFrame(const Scene& scene, int width, int height) {
    // The occluder pass and the grid set-up limit their clears with the scissor; this pass clears
    // and draws the whole window.
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, width, height);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glShadeModel(scene.flatShading ? GL_FLAT : GL_SMOOTH);
    loadSceneMatrices(scene);
    if (scene.lighting) {
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
    }
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, scene.ambient.data());
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);

    GLint maxLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    const std::size_t usable =
        std::min(scene.lights.size(), static_cast<std::size_t>(std::max(maxLights, 0)));
    for (std::size_t i = 0; i < usable; ++i) {
        const Light& light = scene.lights[i];
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(i);
        // w = 0: a direction, fixed in the world because the view matrix is loaded.
        const float position[4] = {light.position.x, light.position.y, light.position.z, 0.0f};
        glLightfv(id, GL_POSITION, position);
        glLightfv(id, GL_DIFFUSE, light.colour.data());
        glLightfv(id, GL_SPECULAR, light.colour.data());
        glEnable(id);
    }
}

// Checked before an image's floats are handed to OpenGL, which would otherwise read past them.
void checkRgbImage(const TextureImage& image, const char* role) {
    const bool sizeOk = image.width >= 0 && image.height >= 0 &&
                        image.pixels.size() >= static_cast<std::size_t>(image.width) *
                                                   static_cast<std::size_t>(image.height) * 3u;
    if (image.channels != 3 || !sizeOk) {
        throw std::invalid_argument(std::string("renderScene: the ") + role +
                                    " image of a drawn object is not a three-channel RGB image");
    }
}

void uploadLevel0(const TextureImage& image) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_FLOAT,
                 image.pixels.data());
}

void setUpTexture(const Scene& scene, const Object& object, GLuint name) {
    if (object.reflection != nullptr) {
        checkRgbImage(*object.reflection, "reflection");
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        uploadLevel0(*object.reflection);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    } else if (object.texture != nullptr) {
        const TextureImage& image = *object.texture;
        checkRgbImage(image, "texture");
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (scene.antialiasTextures) {
            gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, image.width, image.height, GL_RGB, GL_FLOAT,
                              image.pixels.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        } else {
            uploadLevel0(image);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    } else {
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

void drawObject(const Scene& scene, const Object& object, GLuint name) {
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, object.diffuse.data());
    glMateriali(GL_FRONT, GL_SHININESS, object.shininess);
    glMaterialfv(GL_FRONT, GL_SPECULAR, object.specular.data());
    setUpTexture(scene, object, name);

    static const float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (const Polygon& polygon : object.polygons) {
        glBegin(GL_POLYGON);
        for (std::size_t k = 0; k < polygon.size(); ++k) {
            const Vertex& vertex = polygon[k];
            if (k > 0 && vertex.link != static_cast<int32_t>(k) - 1) {
                // A further contour: a hole, drawn as a black decal over the outline.
                glEnd();
                glColor3i(0, 0, 0);
                glMaterialfv(GL_FRONT, GL_DIFFUSE, kBlack);
                glEnable(GL_POLYGON_OFFSET_FILL);
                glPolygonOffset(0.0f, kDecalOffsetUnits);
                glBegin(GL_POLYGON);
            }
            glTexCoord2f(vertex.s, vertex.t);
            glNormal3f(vertex.normal.x, vertex.normal.y, vertex.normal.z);
            glVertex3f(vertex.position.x, vertex.position.y, vertex.position.z);
        }
        glEnd();
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
    if (object.reflection != nullptr) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    glDisable(GL_TEXTURE_2D);
}

// Occluders are outlines of both faces; other objects fill their front faces only, and their
// back faces keep whatever mode an occluder left.
void selectPolygonMode(const Object& object) {
    if (object.occluder) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    } else {
        glPolygonMode(GL_FRONT, GL_FILL);
    }
}

}  // namespace

void renderScene(Scene& scene, int width, int height, const FrameDecisions& decisions) {
    if (decisions.objects.size() != scene.objects.size()) {
        throw std::invalid_argument(
            "renderScene: the decisions do not match the scene's objects one to one");
    }
    scene.passedHom = decisions.passedHom;
    scene.passedDeb = decisions.passedDeb;
    drainErrors();
    setUpFrame(scene, width, height);
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const Object& object = scene.objects[i];
        selectPolygonMode(object);
        if (decisions.objects[i].hidden()) continue;
        drawObject(scene, object, static_cast<GLuint>(i));
    }
    glFlush();
}

void renderSceneObjects(Scene& scene, int width, int height, const std::vector<bool>& drawn) {
    if (drawn.size() != scene.objects.size()) {
        throw std::invalid_argument(
            "renderSceneObjects: the flags do not match the scene's objects one to one");
    }
    drainErrors();
    setUpFrame(scene, width, height);
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        if (!drawn[i]) continue;
        const Object& object = scene.objects[i];
        selectPolygonMode(object);
        drawObject(scene, object, static_cast<GLuint>(i));
    }
    glFlush();
}
