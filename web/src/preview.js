// The background's preview in WebGL: the mesh, the star maps and the point
// stars from the core's vertex lists, turning with the clock (0.1 radian a
// second) as in the window; dragged, it turns by how far the pointer moved
// (1/150 radian a pixel across), and tilts by how far it moved up or down (up
// to a quarter turn either way), so a press alone leaves the sky where it is.
// Each of the three can be shown or hidden.
// Matrices are the preview's left-handed row-vector ones: v' = v * M.

function rotationY(a) {
  const c = Math.cos(a), s = Math.sin(a);
  return [c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1];
}

function rotationX(a) {
  const c = Math.cos(a), s = Math.sin(a);
  return [1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1];
}

function multiply(a, b) {
  const r = new Array(16).fill(0);
  for (let i = 0; i < 4; i++)
    for (let j = 0; j < 4; j++)
      for (let k = 0; k < 4; k++) r[i * 4 + j] += a[i * 4 + k] * b[k * 4 + j];
  return r;
}

// The camera 270 units in front of the centre, looking at it, +Y up.
const view = [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 270, 1];
function projection(aspect) {
  const near = 1, far = 1000, yScale = 1 / Math.tan(Math.PI / 8), xScale = yScale / aspect;
  return [xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, far / (far - near), 1, 0, 0, (-near * far) / (far - near), 0];
}
// Depth 0..w of the left-handed projection as OpenGL's -w..w.
const toGlClip = [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1];

const vertexShader = `
attribute vec3 position;
attribute vec4 colour;  // the packed ARGB as bytes B, G, R, A
attribute vec2 uv;
uniform mat4 transform;
uniform float pointSize;
varying vec4 vColour;
varying vec2 vUv;
void main() {
  gl_Position = transform * vec4(position, 1.0);
  gl_PointSize = pointSize;
  vColour = colour.bgra;
  vUv = uv;
}`;
const fragmentShader = `
precision mediump float;
varying vec4 vColour;
varying vec2 vUv;
uniform int kind;  // 0 mesh, 1 star-map square (a soft disc), 2 point star
void main() {
  if (kind == 1) {
    float d = length(vUv - vec2(0.5)) * 2.0;
    gl_FragColor = vec4(vColour.rgb, vColour.a * clamp(1.0 - d, 0.0, 1.0));
  } else {
    gl_FragColor = vec4(vColour.rgb, 1.0);
  }
}`;

export class Preview {
  constructor(canvas) {
    this.canvas = canvas;
    const gl = canvas.getContext("webgl", { antialias: true, preserveDrawingBuffer: true });
    if (!gl) throw new Error("this browser gives no WebGL");
    this.gl = gl;
    this.layers = { mesh: true, starMaps: true, pointStars: true };
    this.parts = [];
    this.drag = null;  // {x, y, angle, tilt} where a drag began
    this.angle = 0;
    this.tilt = 0;
    this.clockStart = performance.now();
    this.clockAngle = 0;
    this.program = this.#program();
    canvas.addEventListener("pointerdown", (e) => {
      this.drag = { x: e.offsetX, y: e.offsetY, angle: this.angle, tilt: this.tilt };
      canvas.setPointerCapture(e.pointerId);
    });
    canvas.addEventListener("pointermove", (e) => {
      if (!this.drag) return;
      this.angle = this.drag.angle - (e.offsetX - this.drag.x) / 150;
      const limit = Math.PI / 2;
      this.tilt = Math.max(-limit, Math.min(limit, this.drag.tilt - (e.offsetY - this.drag.y) / 150));
    });
    const end = () => {
      if (!this.drag) return;
      // The clock goes on from where the drag left it.
      this.clockAngle = this.angle;
      this.clockStart = performance.now();
      this.drag = null;
    };
    canvas.addEventListener("pointerup", end);
    canvas.addEventListener("pointercancel", end);
    const frame = () => {
      this.#draw();
      this.frameRequest = requestAnimationFrame(frame);
    };
    this.frameRequest = requestAnimationFrame(frame);
  }

  #program() {
    const gl = this.gl;
    const compile = (type, source) => {
      const s = gl.createShader(type);
      gl.shaderSource(s, source);
      gl.compileShader(s);
      if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
      return s;
    };
    const p = gl.createProgram();
    gl.attachShader(p, compile(gl.VERTEX_SHADER, vertexShader));
    gl.attachShader(p, compile(gl.FRAGMENT_SHADER, fragmentShader));
    gl.linkProgram(p);
    if (!gl.getProgramParameter(p, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(p));
    return p;
  }

  // The lists of a report's or a build's preview: {mesh, stars, starmap1, starmap2}.
  show(views) {
    const gl = this.gl;
    for (const part of this.parts) gl.deleteBuffer(part.buffer);
    this.parts = [];
    const add = (bytes, stride, kind, layer, mode) => {
      if (!bytes || bytes.length < stride) return;
      const buffer = gl.createBuffer();
      gl.bindBuffer(gl.ARRAY_BUFFER, buffer);
      gl.bufferData(gl.ARRAY_BUFFER, bytes, gl.STATIC_DRAW);
      this.parts.push({ buffer, stride, kind, layer, mode, count: Math.floor(bytes.length / stride) });
    };
    add(views.mesh, 16, 0, "mesh", gl.TRIANGLES);
    add(views.starmap1, 24, 1, "starMaps", gl.TRIANGLES);
    add(views.starmap2, 24, 1, "starMaps", gl.TRIANGLES);
    add(views.stars, 16, 2, "pointStars", gl.POINTS);
    this.clockStart = performance.now();
    this.clockAngle = this.angle = this.tilt = 0;
  }

  setLayer(layer, on) {
    this.layers[layer] = on;
  }

  #draw() {
    const gl = this.gl, canvas = this.canvas;
    const width = canvas.clientWidth, height = canvas.clientHeight;
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    if (!this.drag) this.angle = this.clockAngle + (0.1 * (performance.now() - this.clockStart)) / 1000;
    gl.viewport(0, 0, canvas.width, canvas.height);
    gl.clearColor(0, 0, 0, 1);
    gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
    const turn = multiply(rotationY(this.angle), rotationX(this.tilt));
    const transform = multiply(multiply(multiply(turn, view), projection(width / Math.max(1, height))), toGlClip);
    const p = this.program;
    gl.useProgram(p);
    gl.uniformMatrix4fv(gl.getUniformLocation(p, "transform"), false, new Float32Array(transform));
    const position = gl.getAttribLocation(p, "position"), colour = gl.getAttribLocation(p, "colour");
    const uv = gl.getAttribLocation(p, "uv");
    for (const part of this.parts) {
      if (!this.layers[part.layer]) continue;
      gl.bindBuffer(gl.ARRAY_BUFFER, part.buffer);
      gl.enableVertexAttribArray(position);
      gl.vertexAttribPointer(position, 3, gl.FLOAT, false, part.stride, 0);
      gl.enableVertexAttribArray(colour);
      gl.vertexAttribPointer(colour, 4, gl.UNSIGNED_BYTE, true, part.stride, 12);
      if (part.stride === 24) {
        gl.enableVertexAttribArray(uv);
        gl.vertexAttribPointer(uv, 2, gl.FLOAT, false, part.stride, 16);
      } else {
        gl.disableVertexAttribArray(uv);
        gl.vertexAttrib2f(uv, 0, 0);
      }
      gl.uniform1i(gl.getUniformLocation(p, "kind"), part.kind);
      gl.uniform1f(gl.getUniformLocation(p, "pointSize"), 2);
      // The mesh is the sky's backdrop: drawn without depth; stars blend over it.
      gl.disable(gl.DEPTH_TEST);
      if (part.kind === 0) gl.disable(gl.BLEND);
      else {
        gl.enable(gl.BLEND);
        gl.blendFunc(gl.SRC_ALPHA, gl.ONE);
      }
      gl.drawArrays(part.mode, 0, part.count);
    }
  }
}
