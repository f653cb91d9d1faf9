// "Add Photos by Time..." as a user goes through it on the shown track: a folder of photos made
// here, whose camera ran an hour fast, chosen whole; the preview with its thumbnails, placed
// once the offset is worked out from one photo and the point it was taken at; Attach, its
// summary, and the markers on the map.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/units.h"
#include "gtk_shell/track_page_stage.h"

namespace vandrel::gtk {
namespace {

constexpr Rgb kGreen{0x20, 0xA0, 0x40};
constexpr Rgb kPurple{0xA0, 0x20, 0x80};

// The dialog titled `title` shown now, or null.
GtkWidget* shownDialog(const char* title) {
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
        auto* window = GTK_WIDGET(w->data);
        if (GTK_IS_DIALOG(window) && !GTK_IS_FILE_CHOOSER(window) &&
            gtk_widget_get_mapped(window) &&
            g_strcmp0(gtk_window_get_title(GTK_WINDOW(window)), title) == 0) {
            found = window;
        }
    }
    g_list_free(windows);
    return found;
}

// The widgets inside `root` that `wanted` takes, in no particular order.
std::vector<GtkWidget*> widgetsIn(GtkWidget* root, const std::function<bool(GtkWidget*)>& wanted) {
    std::vector<GtkWidget*> found;
    std::vector<GtkWidget*> pending{root};
    while (!pending.empty()) {
        GtkWidget* widget = pending.back();
        pending.pop_back();
        if (wanted(widget)) {
            found.push_back(widget);
        }
        if (GTK_IS_CONTAINER(widget)) {
            GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
            for (GList* c = children; c != nullptr; c = c->next) {
                pending.push_back(GTK_WIDGET(c->data));
            }
            g_list_free(children);
        }
    }
    return found;
}

GtkTreeView* photoList(GtkWidget* dialog) {
    const auto lists = widgetsIn(dialog, [](GtkWidget* w) { return GTK_IS_TREE_VIEW(w); });
    return lists.empty() ? nullptr : GTK_TREE_VIEW(lists.front());
}

GtkWidget* buttonLabelled(GtkWidget* dialog, const std::string& label) {
    const auto buttons = widgetsIn(dialog, [&](GtkWidget* w) {
        return GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w)) != nullptr &&
               gtk_button_get_label(GTK_BUTTON(w)) == label;
    });
    return buttons.empty() ? nullptr : buttons.front();
}

// The texts of one column of the preview's list, a row each.
std::vector<std::string> column(GtkWidget* dialog, int index) {
    std::vector<std::string> texts;
    GtkTreeModel* model = gtk_tree_view_get_model(photoList(dialog));
    GtkTreeIter row;
    for (bool more = gtk_tree_model_get_iter_first(model, &row); more;
         more = gtk_tree_model_iter_next(model, &row)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &row, index, &text, -1);
        texts.emplace_back(text != nullptr ? text : "");
        g_free(text);
    }
    return texts;
}

// How many rows of the preview show a thumbnail.
int thumbnailsShown(GtkWidget* dialog) {
    GtkTreeModel* model = gtk_tree_view_get_model(photoList(dialog));
    GtkTreeIter row;
    int shown = 0;
    for (bool more = gtk_tree_model_get_iter_first(model, &row); more;
         more = gtk_tree_model_iter_next(model, &row)) {
        GdkPixbuf* thumbnail = nullptr;
        gtk_tree_model_get(model, &row, 0, &thumbnail, -1);
        if (thumbnail != nullptr) {
            ++shown;
            g_object_unref(thumbnail);
        }
    }
    return shown;
}

void savePicture(const fs::path& file, int width, int height, guint32 rgba) {
    GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    gdk_pixbuf_fill(picture, rgba);
    ASSERT_TRUE(gdk_pixbuf_save(picture, file.c_str(), "jpeg", nullptr, nullptr));
    g_object_unref(picture);
}

// A green photo whose camera's clock said `ole` when it was taken, with a purple preview
// embedded as a camera's when asked.
void greenPhoto(const fs::path& file, double ole, bool preview = false) {
    savePicture(file, 640, 480, 0x20A040FF);
    SystemTime st;
    ASSERT_TRUE(VariantTimeToSystemTime(ole, st));
    char taken[32];
    std::snprintf(taken, sizeof taken, "%04d:%02d:%02d %02d:%02d:%02d", st.year, st.month, st.day,
                  st.hour, st.minute, st.second);
    const std::string command = "exiv2 -M'set Exif.Photo.DateTimeOriginal " + std::string(taken) +
                                "' '" + file.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    if (preview) {
        const fs::path thumb = file.parent_path() / (file.stem().string() + "-thumb.jpg");
        savePicture(thumb, 160, 120, 0xA02080FF);
        ASSERT_EQ(std::system(("exiv2 -it '" + file.string() + "'").c_str()), 0);
        fs::remove(thumb);
    }
}

int pixelsIn(GdkPixbuf* shot, GtkWidget* window, Rgb colour) {
    int x0 = 0;
    int y0 = 0;
    gdk_window_get_origin(gtk_widget_get_window(window), &x0, &y0);
    const int x1 =
        std::min(x0 + gtk_widget_get_allocated_width(window), gdk_pixbuf_get_width(shot));
    const int y1 =
        std::min(y0 + gtk_widget_get_allocated_height(window), gdk_pixbuf_get_height(shot));
    int found = 0;
    for (int y = std::max(y0, 0); y < y1; ++y) {
        for (int x = std::max(x0, 0); x < x1; ++x) {
            found += near(pixel(shot, x, y), colour) ? 1 : 0;
        }
    }
    return found;
}

TEST(TrackDisplay, PhotosByTimeArePreviewedWithThumbnailsAndAttachedAsMarkers) {
    VANDREL_SKIP_UNLESS(std::system("command -v exiv2 >/dev/null") == 0, "exiv2");
    ASSERT_EQ(trackPage().shownTrack(), 0);
    const std::vector<std::size_t> points{100, 400};
    const fs::path folder = stage->dir / "day photos";
    fs::create_directories(folder);
    constexpr double kHourFast = 1.0 / 24;
    greenPhoto(folder / "a.jpg", shownPoints()[points[0]].sdate + kHourFast, true);
    greenPhoto(folder / "b.jpg", shownPoints()[points[1]].sdate + kHourFast);
    testing::writeFile(folder / "notes.txt", "not a photo");

    // The chooser opened on the folder; "Whole Folder" takes it. Then the preview: as it opens,
    // then a's row chosen and "Offset from This Photo..." pressed; in its question the point a
    // was taken at typed and Enter pressed; the preview once its thumbnails are in; Attach.
    enum class Step { Chooser, Preview, Offset, Placed, Attached } step = Step::Chooser;
    std::vector<std::string> before;
    std::vector<std::string> after;
    std::vector<std::string> notes;
    std::string offsetSaid;
    std::string offsetField;
    int green = 0;
    int purple = 0;
    int ticks = 0;
    Ticker user([&] {
        if (step == Step::Chooser) {
            GtkWidget* chooser = shownFileChooser();
            if (chooser == nullptr) {
                return true;
            }
            gchar* shown = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
            const bool there = shown != nullptr && fs::path(shown) == folder;
            g_free(shown);
            if (!there) {
                gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), folder.c_str());
                return true;
            }
            gtk_button_clicked(
                GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(chooser), 1)));
            step = Step::Preview;
            return true;
        }
        if (step == Step::Offset) {
            GtkWidget* question = shownDialog("Offset from This Photo");
            if (question == nullptr) {
                return true;
            }
            GtkWidget* number =
                widgetsIn(question, [](GtkWidget* w) { return GTK_IS_SPIN_BUTTON(w); }).front();
            gtk_widget_grab_focus(number);
            gtk_entry_set_text(GTK_ENTRY(number), std::to_string(points[0] + 1).c_str());
            // The offset the question shows for the number typed, before Enter takes it.
            for (GtkWidget* label :
                 widgetsIn(question, [](GtkWidget* w) { return GTK_IS_LABEL(w); })) {
                const std::string text = gtk_label_get_text(GTK_LABEL(label));
                if (text.rfind("Camera offset", 0) == 0) {
                    offsetSaid = text;
                }
            }
            pressKey(question, GDK_KEY_Return);
            step = Step::Placed;
            return true;
        }
        GtkWidget* preview = shownDialog("Add Photos by Time");
        if (preview == nullptr || shownDialog("Offset from This Photo") != nullptr) {
            return true;
        }
        if (step == Step::Preview) {
            before = column(preview, 3);
            GtkTreePath* first = gtk_tree_path_new_first();
            gtk_tree_view_set_cursor(photoList(preview), first, nullptr, FALSE);
            gtk_tree_path_free(first);
            // Pressed through the main loop, as a click arrives: the question it opens runs a
            // loop of its own, which this tick must not be inside.
            g_idle_add(
                [](gpointer button) -> gboolean {
                    gtk_button_clicked(GTK_BUTTON(button));
                    return G_SOURCE_REMOVE;
                },
                buttonLabelled(preview, "Offset from This _Photo..."));
            step = Step::Offset;
            return true;
        }
        if (step == Step::Placed && ++ticks > 10 && thumbnailsShown(preview) == 2) {
            const auto fields = widgetsIn(
                preview, [](GtkWidget* w) { return GTK_IS_ENTRY(w) && !GTK_IS_SPIN_BUTTON(w); });
            offsetField = gtk_entry_get_text(GTK_ENTRY(fields.front()));
            after = column(preview, 3);
            notes = column(preview, 5);
            GdkPixbuf* shot = screenshot("photos-by-time-preview");
            green = pixelsIn(shot, preview, kGreen);
            purple = pixelsIn(shot, preview, kPurple);
            g_object_unref(shot);
            gtk_button_clicked(GTK_BUTTON(
                gtk_dialog_get_widget_for_response(GTK_DIALOG(preview), GTK_RESPONSE_ACCEPT)));
            step = Step::Attached;
        }
        return step != Step::Attached;
    });
    std::string summary;
    const std::unique_ptr<Ticker> ok = answerWithEnter(summary);
    ASSERT_TRUE(clickOn(trackPage(), "onphotos"));
    ASSERT_TRUE(pumpUntil([&] { return !summary.empty(); }));

    // Three rows: nothing placed while the camera's hour is not taken off, both photos on their
    // points once a's point gives the offset, and the text file said to be no photo.
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(before, (std::vector<std::string>{"", "", ""}));
    const DeviceSettings& settings = session().settings;
    EXPECT_EQ(offsetSaid, "Camera offset: +01:00:00");
    EXPECT_EQ(offsetField, "+01:00:00");
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0], FormatDateTime(shownPoints()[points[0]].sdate, settings));
    EXPECT_EQ(after[1], FormatDateTime(shownPoints()[points[1]].sdate, settings));
    EXPECT_EQ(after[2], "");
    EXPECT_NE(notes[2], "");
    // The thumbnails, 96 x 72 pixels: the camera's preview where it embedded one, else the
    // picture itself.
    EXPECT_GT(purple, 3000);
    EXPECT_GT(green, 3000);
    EXPECT_EQ(summary.rfind("2 photos attached, 1 not placed.", 0), 0u) << summary;

    for (std::size_t point : points) {
        EXPECT_FALSE(shownPoints()[point].pho.empty());
        EXPECT_TRUE(mapAnswers(trackPage(), "placeOfPhoto", {std::to_string(point)},
                               [](const std::string& s) { return !s.empty(); }));
    }
    // The markers on the map, in the screen kept with the test output.
    const ui::Rect box = mapElement().location();
    EXPECT_FALSE(box.isEmpty());
    GdkPixbuf* shot = screenshot("photos-by-time-markers");
    ASSERT_NE(shot, nullptr);
    g_object_unref(shot);
}

}  // namespace
}  // namespace vandrel::gtk
