# Run inside Blender: opens each converted file as a volume datablock, compares its grid names and
# types, and renders the sparse half-float blender layout with Cycles: not empty where the plume
# is, empty where it is not. Any failure raises, so Blender exits with status 1.
import os
import sys

import bpy
from mathutils import Vector

folder = sys.argv[sys.argv.index("--") + 1]
F, V = "FLOAT", "VECTOR_FLOAT"
EXPECTED = {
    "fumara.vdb": {"Smoke_fmr": F, "Temperature_fmr": F, "Fuel_fmr": F, "VelocityX_fmr": F, "VelocityY_fmr": F,
                   "VelocityZ_fmr": F, "ColorR_fmr": F, "ColorG_fmr": F, "ColorB_fmr": F},
    "houdini.vdb": {"density": F, "temperature": F, "fuel": F, "vel": V, "Cd": V},
    "blender.vdb": {"density": F, "temperature": F, "fuel": F, "velocity": V, "color": V},
    "blender_sparse_half.vdb": {"density": F, "temperature": F, "fuel": F, "velocity": V, "color": V},
}


def load_volume(name):
    volume = bpy.data.volumes.new(name)
    volume.filepath = os.path.join(folder, name)
    if not volume.grids.load():
        raise RuntimeError(f"{name}: {volume.grids.error_message}")
    return volume


for name, expected in EXPECTED.items():
    volume = load_volume(name)
    found = {grid.name: grid.data_type for grid in volume.grids}
    if found != expected:
        raise AssertionError(f"{name}: grids {found}, expected {expected}")
    for grid in volume.grids:
        if not grid.load():
            raise AssertionError(f"{name}: grid {grid.name} does not load")
    print(f"check {name}: {sorted(found)}")

# A front view (down -Z) of the whole grid, orthographic, on a transparent film: alpha is the
# smoke's opacity.
scene = bpy.context.scene
for obj in list(scene.collection.all_objects):
    bpy.data.objects.remove(obj)
plume = bpy.data.objects.new("plume", load_volume("blender_sparse_half.vdb"))
scene.collection.objects.link(plume)
material = bpy.data.materials.new("smoke")
material.use_nodes = True
# Only a volume shader: a surface shader would draw the volume's bounding mesh as a solid.
material.node_tree.nodes.remove(material.node_tree.nodes["Principled BSDF"])
volume_shader = material.node_tree.nodes.new("ShaderNodeVolumePrincipled")
volume_shader.inputs["Density"].default_value = 1.0
output = material.node_tree.nodes["Material Output"]
material.node_tree.links.new(volume_shader.outputs["Volume"], output.inputs["Volume"])
plume.data.materials.append(material)
bpy.context.view_layer.update()

corners = [plume.matrix_world @ Vector(corner) for corner in plume.bound_box]
low = Vector([min(c[i] for c in corners) for i in range(3)])
high = Vector([max(c[i] for c in corners) for i in range(3)])
camera = bpy.data.objects.new("camera", bpy.data.cameras.new("camera"))
camera.data.type = "ORTHO"
camera.data.ortho_scale = max(high.x - low.x, high.y - low.y)
camera.data.clip_end = 10 * (high.z - low.z) + 100
camera.location = ((low.x + high.x) / 2, (low.y + high.y) / 2, high.z + (high.z - low.z) + 1)
scene.collection.objects.link(camera)
scene.camera = camera

scene.render.engine = "CYCLES"
scene.cycles.device = "CPU"
scene.cycles.samples = 16
scene.cycles.use_denoising = False
scene.render.resolution_x = scene.render.resolution_y = 64
scene.render.resolution_percentage = 100
scene.render.film_transparent = True
scene.render.filepath = os.path.join(folder, "render.png")
bpy.ops.render.render(write_still=True)

image = bpy.data.images.load(scene.render.filepath)
pixels = list(image.pixels)  # RGBA, rows from the bottom
alpha = [[pixels[(y * 64 + x) * 4 + 3] for x in range(64)] for y in range(64)]
centre = max(alpha[y][x] for y in range(4, 40) for x in range(24, 40))
# The plume rises from the bottom centre and widens, but reaches neither the bottom corners nor
# the top quarter of the grid.
empty = [(x, y) for y in range(0, 12) for x in list(range(0, 8)) + list(range(56, 64))]
empty += [(x, y) for y in range(48, 64) for x in range(64)]
outside = max(alpha[y][x] for x, y in empty)
print(f"check render: plume opacity {centre:.3f}, outside it {outside:.3f}")
if centre < 0.2 or outside > 0.02:
    raise AssertionError("the render does not show the plume where it is")
