// The map view's animation: the files the view shows drawn point by point into a movie or a
// KML series by the export library's writer, once, after the view's first paint.

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <algorithm>

#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/map_view/output_dialogs.h"
#include "app/view_settings.h"
#include "export/movie_output.h"

namespace kivo::app {

void ComPrdctMpDsp::ComSetAnimation(const std::string& path) {
  animationPath_ = path;
  animationScheduled_ = false;
  invalidate();
}

int ComPrdctMpDsp::runAnimation() {
  if (animationPath_.empty() || animationRunning_) return 0;
  const std::string path = animationPath_;
  animationPath_.clear();
  if (!hasProduct_ || objects_[0] == nullptr) {
    showMessage(out::kMsgMovieFailed);
    return out::kMsgMovieFailed;
  }
  animationRunning_ = true;
  // The 800 x 400 source rectangle centred on the view's origin, with the map under the points.
  draw::Surface raster(out::kMovieSourceWidth, out::kMovieSourceHeight);
  out::paintMovieMap(raster, paintRequest(), paintSettings());

  out::MovieOptions options;
  QPointer<ComPrdctMpDsp> alive(this);
  options.progress = [this, alive](int file, int files, int frames) {
    if (!alive) return;
    frame_.setPromptText(tr("Animation: file %1 of %2, %3 frames written").arg(file + 1).arg(files).arg(frames));
    // Pending repaints go through (the status bar, other views); nothing else runs meanwhile,
    // so no window can close and take the view or its table away in the middle of the movie.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  };
  out::ComOtptObsMov writer(options);
  const std::vector<int>& slots = product_.slots[0];
  int result = out::kMsgMovieFailed;
  if (writer.ComInitMov(static_cast<int>(slots.size()), slots.data(), &table_, objects_[0], 0,
                        movieSettings(settings_)) == 0) {
    map::ChannelChoice display;
    display.chnl[0] = product_.channels[0];
    BusyCursor busy;
    const int written = out::ComOutMovie(writer, &raster, state_.params(), path, nullptr, display);
    result = written == 0 ? 0 : out::kMsgMovieFailed;
  }
  animationRunning_ = false;
  frame_.setPromptText(QString());
  if (result != 0) showMessage(result);
  return result;
}

}  // namespace kivo::app
