// "Add Photos by Time..." as a user goes through it on the shown track: a folder of photos made
// here, whose camera ran an hour fast, chosen whole; the preview with its thumbnails, placed
// once the offset is typed; Attach, its summary, and the markers on the map.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/units.h"
#include "gtk_shell/track_page_stage.h"

namespace vandrel::gtk {
namespace {

constexpr Rgb kGreen{0x20, 0xA0, 0x40};
constexpr Rgb kPurple{0xA0, 0x20, 0x80};

// The preview dialog shown now, or null.
GtkWidget* shownPreview() {
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
        auto* window = GTK_WIDGET(w->data);
        if (GTK_IS_DIALOG(window) && !GTK_IS_FILE_CHOOSER(window) &&
            gtk_widget_get_mapped(window) &&
            g_strcmp0(gtk_window_get_title(GTK_WINDOW(window)), "Add Photos by Time") == 0) {
            found = window;
        }
    }
    g_list_free(windows);
    return found;
}

// The texts of one column of the preview's list, a row each.
std::vector<std::string> column(GtkWidget* dialog, int index) {
    std::vector<std::string> texts;
    GtkTreeModel* model = nullptr;
    GList* children = nullptr;
    std::vector<GtkWidget*> pending{dialog};
    while (!pending.empty() && model == nullptr) {
        GtkWidget* widget = pending.back();
        pending.pop_back();
        if (GTK_IS_TREE_VIEW(widget)) {
            model = gtk_tree_view_get_model(GTK_TREE_VIEW(widget));
        } else if (GTK_IS_CONTAINER(widget)) {
            children = gtk_container_get_children(GTK_CONTAINER(widget));
            for (GList* c = children; c != nullptr; c = c->next) {
                pending.push_back(GTK_WIDGET(c->data));
            }
            g_list_free(children);
        }
    }
    GtkTreeIter row;
    for (bool more = model != nullptr && gtk_tree_model_get_iter_first(model, &row); more;
         more = gtk_tree_model_iter_next(model, &row)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &row, index, &text, -1);
        texts.emplace_back(text != nullptr ? text : "");
        g_free(text);
    }
    return texts;
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
    // then once the camera's hour is typed; its screen; Attach.
    enum class Step { Chooser, Preview, Typed, Attached } step = Step::Chooser;
    std::vector<std::string> before;
    std::vector<std::string> after;
    std::vector<std::string> notes;
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
        GtkWidget* preview = shownPreview();
        if (preview == nullptr) {
            return true;
        }
        if (step == Step::Preview) {
            before = column(preview, 3);
            GtkWidget* offset = gtk_window_get_focus(GTK_WINDOW(preview));
            if (offset == nullptr || !GTK_IS_ENTRY(offset) || GTK_IS_SPIN_BUTTON(offset)) {
                pressKey(preview, GDK_KEY_Tab);
                return true;
            }
            gtk_entry_set_text(GTK_ENTRY(offset), "+01:00:00");
            after = column(preview, 3);
            notes = column(preview, 5);
            step = Step::Typed;
            return true;
        }
        if (step == Step::Typed && ++ticks > 10) {
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
    // points once it is, and the text file said to be no photo.
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(before, (std::vector<std::string>{"", "", ""}));
    const DeviceSettings& settings = session().settings;
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
