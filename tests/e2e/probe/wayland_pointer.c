/* wayland_pointer: gives a headless compositor's seat a pointer, so that
 * "swaymsg seat seat0 cursor set X Y" moves one and clients get its motion:
 * a virtual pointer (zwlr_virtual_pointer_manager_v1) that only exists. It
 * prints "ready" once the compositor has it, and lives until it is killed or
 * the compositor goes.
 *
 * The two interfaces are declared here, as far as this program uses them:
 * the manager's first request, and a pointer object it never sends to. */
#include <stdio.h>
#include <string.h>

#include <wayland-client.h>

static const struct wl_interface virtual_pointer_interface = {"zwlr_virtual_pointer_v1", 1, 0, NULL, 0, NULL};
static const struct wl_interface* create_types[] = {&wl_seat_interface, &virtual_pointer_interface};
static const struct wl_message manager_requests[] = {{"create_virtual_pointer", "?on", create_types}};
static const struct wl_interface manager_interface = {"zwlr_virtual_pointer_manager_v1", 1, 1, manager_requests,
                                                      0, NULL};

static struct wl_seat* seat;
static struct wl_proxy* manager;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
  (void)data;
  (void)version;
  if (strcmp(interface, "wl_seat") == 0 && seat == NULL)
    seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
  else if (strcmp(interface, manager_interface.name) == 0)
    manager = wl_registry_bind(registry, name, &manager_interface, 1);
}
static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

int main(void) {
  struct wl_display* display = wl_display_connect(NULL);
  if (display == NULL) {
    fprintf(stderr, "wayland_pointer: no compositor\n");
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, NULL);
  wl_display_roundtrip(display);
  if (seat == NULL || manager == NULL) {
    fprintf(stderr, "wayland_pointer: the compositor has no seat or no virtual pointers\n");
    return 1;
  }
  wl_proxy_marshal_constructor(manager, 0, &virtual_pointer_interface, seat, NULL);
  wl_display_roundtrip(display);
  printf("ready\n");
  fflush(stdout);
  while (wl_display_dispatch(display) >= 0) {
  }
  return 0;
}
