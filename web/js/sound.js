// The move sound: a short beep made by WebAudio, no sound files. Browsers
// start audio only after a click or a key, which a move always follows.
let audio = null;

export function beep(capture = false) {
  audio ??= new AudioContext();
  const tone = audio.createOscillator(), volume = audio.createGain(), now = audio.currentTime;
  tone.frequency.value = capture ? 440 : 660;
  volume.gain.setValueAtTime(0.15, now);
  volume.gain.exponentialRampToValueAtTime(0.001, now + 0.12);
  tone.connect(volume).connect(audio.destination);
  tone.start(now);
  tone.stop(now + 0.12);
}
