/* The peer brush library's workloads on the files of make_compare_inputs:
 *   mypaint_driver dabs dabs.txt     one dab (radius 10) per listed centre
 *   mypaint_driver stroke events.txt a whole stroke through every event
 * on a 4000 x 4000 fixed tiled surface. Prints the process CPU seconds.
 * Run with OMP_NUM_THREADS=1 for single-threaded figures. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <mypaint-brush.h>
#include <mypaint-fixed-tiled-surface.h>

static double cpu_seconds(void) {
  struct timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: mypaint_driver dabs|stroke FILE\n");
    return 2;
  }
  const int stroke = strcmp(argv[1], "stroke") == 0;
  FILE* f = fopen(argv[2], "r");
  if (!f) return 1;
  size_t n = 0, cap = 1 << 16;
  double* v = malloc(cap * 3 * sizeof *v);
  for (;;) {
    if (n == cap) v = realloc(v, (cap *= 2) * 3 * sizeof *v);
    double* e = v + 3 * n;
    if (stroke ? fscanf(f, "%lf %lf %lf", e, e + 1, e + 2) != 3 : fscanf(f, "%lf %lf", e, e + 1) != 2) break;
    ++n;
  }
  fclose(f);

  MyPaintFixedTiledSurface* fixed = mypaint_fixed_tiled_surface_new(4000, 4000);
  MyPaintSurface* surface = (MyPaintSurface*)fixed;
  MyPaintBrush* brush = mypaint_brush_new();
  mypaint_brush_from_defaults(brush);
  mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC, logf(10.0f));
  mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_OPAQUE, 200.0f / 255.0f);
  mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_COLOR_V, 0.5f);

  const double t0 = cpu_seconds();
  MyPaintRectangle roi;
  if (stroke) {
    mypaint_brush_new_stroke(brush);
    for (size_t i = 0; i < n; ++i) {
      mypaint_surface_begin_atomic(surface);
      mypaint_brush_stroke_to(brush, surface, (float)v[3 * i], (float)v[3 * i + 1], (float)v[3 * i + 2], 0, 0,
                              0.004);
      mypaint_surface_end_atomic(surface, &roi);
    }
  } else {
    mypaint_surface_begin_atomic(surface);
    for (size_t i = 0; i < n; ++i)
      mypaint_surface_draw_dab(surface, (float)v[3 * i], (float)v[3 * i + 1], 10.0f, 0.125f, 0.25f, 0.5f,
                               200.0f / 255.0f, 0.5f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
    mypaint_surface_end_atomic(surface, &roi);
  }
  const double t1 = cpu_seconds();
  printf("%.4f %zu\n", t1 - t0, n);
  mypaint_brush_unref(brush);
  mypaint_surface_unref(surface);
  free(v);
  return 0;
}
