// The show's sound output in the audio thread: plays the float stereo pieces the program posts
// (platform/web/waveout_webaudio.cpp), in order. A quantum that finds no sound while the music runs
// plays silence and counts as an underrun, unless the program said its queue ran dry (the music has
// not started, has ended or was stopped); the counts (since the node was made) go back to the page
// four times a second.
class TarvonOutput extends AudioWorkletProcessor {
  constructor() {
    super();
    this.played = 0;          // frames of sound played since the node was made
    this.underruns = 0;
    this.sinceReport = 0;
    this.reset();
    this.port.onmessage = (e) => {
      if (e.data.type === 'reset') this.reset();
      else if (e.data.type === 'pcm') {
        if (e.data.samples.length) this.pieces.push(e.data.samples);
        this.started = !e.data.dry;   // after the program's own gap, silence is no underrun
      }
    };
  }
  reset() {
    this.pieces = [];
    this.offset = 0;          // samples of pieces[0] already played
    this.started = false;     // sound has arrived since the last reset
  }
  process(inputs, outputs) {
    const out = outputs[0];
    const left = out[0], right = out[1] || out[0];
    let i = 0;
    while (i < left.length && this.pieces.length) {
      const piece = this.pieces[0];
      while (i < left.length && this.offset < piece.length) {
        left[i] = piece[this.offset];
        right[i] = piece[this.offset + 1];
        this.offset += 2;
        i++;
      }
      if (this.offset >= piece.length) { this.pieces.shift(); this.offset = 0; }
    }
    this.played += i;
    if (i < left.length) {
      left.fill(0, i);
      right.fill(0, i);
      if (this.started) this.underruns++;
    }
    this.sinceReport += left.length;
    if (this.sinceReport >= sampleRate / 4) {
      this.sinceReport = 0;
      this.port.postMessage({played: this.played, underruns: this.underruns});
    }
    return true;
  }
}
registerProcessor('tarvon-output', TarvonOutput);
